#include "doc/Annotations.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "doc/TubescanDoc.h"

namespace {

bool IsPrintable(char32_t ch) {
    if (ch < 0x20 || ch == 0x7F) return false;      // control characters
    if (ch >= 0x80 && ch < 0xA0) return false;      // C1 controls
    if (ch >= 0xD800 && ch <= 0xDFFF) return false; // lone surrogate halves
    return ch <= 0x10FFFF;
}

void AppendUtf8(std::string& out, char32_t ch) {
    if (ch < 0x80) {
        out += static_cast<char>(ch);
    } else if (ch < 0x800) {
        out += static_cast<char>(0xC0 | (ch >> 6));
        out += static_cast<char>(0x80 | (ch & 0x3F));
    } else if (ch < 0x10000) {
        out += static_cast<char>(0xE0 | (ch >> 12));
        out += static_cast<char>(0x80 | ((ch >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (ch & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (ch >> 18));
        out += static_cast<char>(0x80 | ((ch >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((ch >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (ch & 0x3F));
    }
}

bool IsContinuationByte(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

std::size_t CharacterCount(const std::string& utf8) {
    return static_cast<std::size_t>(
        std::count_if(utf8.begin(), utf8.end(), [](char c) { return !IsContinuationByte(c); }));
}

} // namespace

int AnnotationBook::Count() const {
    return std::clamp(*m_count, 0, kAnnotationCapacity);
}

int AnnotationBook::ShownCount() const {
    return std::min(Count() + 1, kAnnotationCapacity);
}

ViewAnnotation* AnnotationBook::Current() {
    return Full() ? nullptr : &m_records[static_cast<std::size_t>(Count())];
}

const ViewAnnotation* AnnotationBook::Current() const {
    return Full() ? nullptr : &m_records[static_cast<std::size_t>(Count())];
}

void AnnotationBook::SetCount(int count) {
    *m_count = std::clamp(count, 0, kAnnotationCapacity);
}

bool AnnotationBook::AdvancePastUsed() {
    ViewAnnotation* current = Current();
    if (!current) return false;
    // A finished-looking note (it has text) is kept; anything else in the
    // current record is work in progress and is replaced.
    if (current->kind == kAnnotationNote && !current->text.empty()) SetCount(Count() + 1);
    return !Full();
}

bool AnnotationBook::PlaceNote(float x, float y) {
    if (m_lineStarted) CancelLine();
    if (!AdvancePastUsed()) return false;
    ViewAnnotation& note = *Current();
    note = ViewAnnotation{};
    note.x1 = x;
    note.y1 = y;
    note.kind = kAnnotationNote;
    m_textEntry = true;
    m_caret = true;
    return true;
}

void AnnotationBook::TypeCharacter(char32_t ch) {
    ViewAnnotation* note = Current();
    if (!m_textEntry || !note || note->kind != kAnnotationNote || !IsPrintable(ch)) return;
    if (CharacterCount(note->text) >= static_cast<std::size_t>(kMaxNoteLength)) return;
    AppendUtf8(note->text, ch);
}

void AnnotationBook::Backspace() {
    ViewAnnotation* note = Current();
    if (!m_textEntry || !note || note->kind != kAnnotationNote) return;
    std::string& text = note->text;
    while (!text.empty() && IsContinuationByte(text.back()))
        text.pop_back();
    if (!text.empty()) text.pop_back();
}

AnnotationBook::MeasureClick AnnotationBook::ClickMeasure(float x, float y) {
    if (!m_lineStarted) {
        if (!AdvancePastUsed()) return MeasureClick::Refused;
        ViewAnnotation& line = *Current();
        line = ViewAnnotation{};
        line.x1 = line.x2 = x;
        line.y1 = line.y2 = y;
        line.kind = kAnnotationLine;
        m_lineStarted = true;
        return MeasureClick::Started;
    }
    ViewAnnotation* line = Current();
    if (!line) { // the count was changed under the started line
        m_lineStarted = false;
        return MeasureClick::Refused;
    }
    line->x2 = x;
    line->y2 = y;
    m_lineStarted = false;
    SetCount(Count() + 1);
    return MeasureClick::Finished;
}

void AnnotationBook::MoveLineEnd(float x, float y) {
    if (!m_lineStarted) return;
    if (ViewAnnotation* line = Current()) {
        line->x2 = x;
        line->y2 = y;
    }
}

void AnnotationBook::CancelLine() {
    if (m_lineStarted) {
        if (ViewAnnotation* line = Current()) *line = ViewAnnotation{};
    }
    m_lineStarted = false;
}

void AnnotationBook::Settle(bool textInputMode, bool measureMode) {
    if (!textInputMode) {
        EndTyping();
        if (ViewAnnotation* current = Current(); current && current->kind == kAnnotationNote) {
            if (current->text.empty())
                *current = ViewAnnotation{};
            else
                SetCount(Count() + 1);
        }
    }
    if (!measureMode) CancelLine();
}

void AnnotationBook::RemoveFinished(int kind) {
    const int count = Count();
    int kept = 0;
    for (int r = 0; r < count; ++r) {
        auto& record = m_records[static_cast<std::size_t>(r)];
        if (record.kind == kind) continue;
        if (kept != r) m_records[static_cast<std::size_t>(kept)] = std::move(record);
        ++kept;
    }
    if (kept == count) return;
    // The current record moves down with the others.
    int firstFree = kept;
    if (count < kAnnotationCapacity) {
        m_records[static_cast<std::size_t>(kept)] =
            std::move(m_records[static_cast<std::size_t>(count)]);
        firstFree = kept + 1;
    }
    for (int r = firstFree; r <= std::min(count, kAnnotationCapacity - 1); ++r)
        m_records[static_cast<std::size_t>(r)] = ViewAnnotation{};
    SetCount(kept);
}

void AnnotationBook::DeleteNotes() {
    EndTyping();
    if (ViewAnnotation* current = Current(); current && current->kind == kAnnotationNote)
        *current = ViewAnnotation{};
    RemoveFinished(kAnnotationNote);
}

void AnnotationBook::DeleteLines() {
    CancelLine();
    RemoveFinished(kAnnotationLine);
}

void ServeAnnotationRequests(CTubescanDoc& doc, AnnotationBook& book) {
    book.Settle(doc.Display().m_textInputMode != 0, doc.Display().m_measureMode != 0);
    if (doc.Display().m_deleteTextRequest) {
        book.DeleteNotes();
        doc.Display().m_deleteTextRequest = 0;
    }
    if (doc.Display().m_deleteLinesRequest) {
        book.DeleteLines();
        doc.Display().m_measureMode = 0;
        doc.Display().m_deleteLinesRequest = 0;
    }
}

double MeasuredLengthMetres(double dxPixels, double dyPixels, double rangeMetres, double zoom,
                            double soundVelocity) {
    if (!(zoom > 0.0) || !(soundVelocity > 0.0) || !std::isfinite(rangeMetres)) return 0.0;
    const double pixelsPerMetre = 250.0 * 1500.0 / soundVelocity;
    return std::hypot(dxPixels, dyPixels) * rangeMetres / zoom / pixelsPerMetre;
}

std::string LengthLabel(double metres, int units) {
    char text[64];
    if (units == 1)
        std::snprintf(text, sizeof text, "%.2f '", metres / 0.3048);
    else if (units == 2)
        std::snprintf(text, sizeof text, "%.1f ''", metres * 12.0 / 0.3048);
    else
        std::snprintf(text, sizeof text, "%.3f m", metres);
    return text;
}
