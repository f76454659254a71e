#include "ArgumentText.h"

#include "format/FieldText.h"

namespace convert {

namespace {

constexpr char16_t kEscapeBase = 0xDC00;

// The length of the valid UTF-8 sequence at bytes[i] and its code point; 0
// when the bytes there are not one (overlong forms and surrogates neither).
int Utf8Sequence(const std::string& bytes, std::size_t i, char32_t* code) {
    const auto b = [&](std::size_t k) { return static_cast<unsigned char>(bytes[k]); };
    const unsigned char lead = b(i);
    int length = 0;
    char32_t c = 0, least = 0;
    if (lead < 0x80) {
        *code = lead;
        return 1;
    } else if ((lead & 0xE0) == 0xC0) {
        length = 2, c = lead & 0x1F, least = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, c = lead & 0x0F, least = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, c = lead & 0x07, least = 0x10000;
    } else {
        return 0;
    }
    if (i + static_cast<std::size_t>(length) > bytes.size()) return 0;
    for (int k = 1; k < length; ++k) {
        const unsigned char next = b(i + static_cast<std::size_t>(k));
        if ((next & 0xC0) != 0x80) return 0;
        c = (c << 6) | (next & 0x3F);
    }
    if (c < least || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return 0;
    *code = c;
    return length;
}

} // namespace

QString ArgumentText(const std::string& bytes) {
    QString text;
    for (std::size_t i = 0; i < bytes.size();) {
        char32_t code = 0;
        const int length = Utf8Sequence(bytes, i, &code);
        if (length == 0) {
            text +=
                QChar(static_cast<char16_t>(kEscapeBase + static_cast<unsigned char>(bytes[i])));
            ++i;
            continue;
        }
        const char32_t one[] = {code};
        text += QString::fromUcs4(one, 1);
        i += static_cast<std::size_t>(length);
    }
    return text;
}

std::string ArgumentBytes(const QString& text) {
    std::string bytes;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t u = text[i].unicode();
        if (QChar::isHighSurrogate(u) && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            fieldtext::AppendUtf8(bytes, QChar::surrogateToUcs4(u, text[i + 1].unicode()));
            ++i;
        } else if (u >= kEscapeBase + 0x80 && u <= kEscapeBase + 0xFF) {
            bytes += static_cast<char>(u - kEscapeBase);
        } else {
            fieldtext::AppendUtf8(bytes, u);
        }
    }
    return bytes;
}

QStringList ArgumentList(int argc, char** argv) {
    QStringList list;
    for (int i = 0; i < argc; ++i)
        list << ArgumentText(argv[i]);
    return list;
}

} // namespace convert
