// The operator's text notes and measurement lines over the picture: a fixed
// book of 100 records, the record being worked on ("current") and the rules
// for placing, finishing, refusing and deleting them. Plain C++, so the rules
// are tested without a window; the view owns one book and paints it.
//
// Records 0 ... count - 1 are finished; record `count` is the current one (a
// note being typed, a line with its first point, or empty). When all 100
// records are finished there is no current record and new notes and lines
// are refused until some are deleted.
#pragma once

#include <array>
#include <string>

class CTubescanDoc;

struct ViewAnnotation {
    // Points in picture pixels at zoom 1, relative to the sonar origin, so a
    // record stays on its spot of the picture when it is zoomed or panned.
    float x1 = 0.0F, y1 = 0.0F;
    float x2 = 0.0F, y2 = 0.0F; // line end (lines only)
    int kind = 0;               // AnnotationKind
    std::string text;           // the note, or the line's length label
};

enum AnnotationKind { kAnnotationEmpty = 0, kAnnotationNote = 1, kAnnotationLine = 2 };

inline constexpr int kAnnotationCapacity = 100;
// A note holds at most this many characters.
inline constexpr int kMaxNoteLength = 255;

// What the operator is told when a new note or line finds no free record.
inline constexpr const char* kAnnotationsFullMessage =
    "All 100 notes and lines are in use; delete some first";

class AnnotationBook {
  public:
    using Records = std::array<ViewAnnotation, kAnnotationCapacity>;

    // count: where the number of finished records is kept (the document's
    // m_annotationCount); it must outlive the book.
    explicit AnnotationBook(int& count) : m_count(&count) {}

    const Records& All() const { return m_records; }
    // The number of finished records, whatever was written into the count.
    int Count() const;
    // How many records are shown: the finished ones and the current one.
    int ShownCount() const;
    bool Full() const { return Count() >= kAnnotationCapacity; }
    // The record being worked on; null when the book is full.
    ViewAnnotation* Current();
    const ViewAnnotation* Current() const;

    bool TextEntry() const { return m_textEntry; }
    bool CaretVisible() const { return m_caret; }
    bool LineStarted() const { return m_lineStarted; }

    // A click in text mode at (x, y) in record units: a note with text moves
    // on to the next record, an empty one is moved to the click. Returns
    // false (nothing changed) when no record is free.
    bool PlaceNote(float x, float y);
    // Typing into the current note: printable characters only, up to
    // kMaxNoteLength of them; Backspace removes the last one.
    void TypeCharacter(char32_t ch);
    void Backspace();
    void EndTyping() { m_textEntry = m_caret = false; }
    void ToggleCaret() { m_caret = !m_caret; }

    // A click in measuring mode. The first click starts a line at (x, y), the
    // second finishes it there. Refused when no record is free.
    enum class MeasureClick { Refused, Started, Finished };
    MeasureClick ClickMeasure(float x, float y);
    // A started line's end follows the mouse.
    void MoveLineEnd(float x, float y);
    // Drops a half-drawn line (right button, Escape, measuring switched off).
    void CancelLine();

    // What every notification of the document and every repaint settle: the
    // typing ends with text mode, a half-drawn line goes with measuring mode,
    // and a note left behind by text mode is kept when it has text and
    // dropped when it has none.
    void Settle(bool textInputMode, bool measureMode);
    // Removes every note (finished or being typed) / every line; later
    // records move down so the finished ones stay contiguous.
    void DeleteNotes();
    void DeleteLines();

    // Mutable access for the repaint, which writes each line's length label.
    Records& Mutable() { return m_records; }

  private:
    void SetCount(int count);
    // Moves on past a current record that holds something; false when full.
    bool AdvancePastUsed();
    void RemoveFinished(int kind);

    Records m_records{};
    int* m_count;
    bool m_textEntry = false;
    bool m_caret = false;
    bool m_lineStarted = false;
};

// The view's update handler without the window: ends typing and measuring as
// the document's modes say, completes the current note, serves the document's
// delete requests (and clears them).
void ServeAnnotationRequests(CTubescanDoc& doc, AnnotationBook& book);

// Length in metres of a line dx, dy screen pixels long, at the picture scale
// (range over 250 pixels at zoom 1) and the speed of sound used.
double MeasuredLengthMetres(double dxPixels, double dyPixels, double rangeMetres, double zoom,
                            double soundVelocity);
// "1.000 m", "3.28 '" (feet) or "39.4 ''" (inches) for units 0, 1, 2.
std::string LengthLabel(double metres, int units);
