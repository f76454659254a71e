#include "format/FieldText.h"

#include <array>
#include <cstdint>

namespace fieldtext {

namespace {

// Reads one character at text[i], advancing i. A byte that does not start
// a well-formed, shortest-form UTF-8 sequence of a scalar value is taken
// alone as its ISO-8859-1 character.
char32_t Next(std::string_view text, std::size_t& i) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char b = byte(i);
    int length = 0;
    char32_t c = 0;
    if (b < 0x80) {
        ++i;
        return b;
    } else if ((b & 0xE0) == 0xC0) {
        length = 2, c = b & 0x1F;
    } else if ((b & 0xF0) == 0xE0) {
        length = 3, c = b & 0x0F;
    } else if ((b & 0xF8) == 0xF0) {
        length = 4, c = b & 0x07;
    }
    bool ok = length > 0 && i + length <= text.size();
    for (int k = 1; ok && k < length; ++k) {
        ok = (byte(i + k) & 0xC0) == 0x80;
        c = (c << 6) | (byte(i + k) & 0x3F);
    }
    static constexpr char32_t kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
    ok = ok && c >= kLeast[length] && c <= 0x10FFFF && !(c >= 0xD800 && c <= 0xDFFF);
    if (!ok) {
        ++i;
        return b;
    }
    i += length;
    return c;
}

// The Latin Extended-A letters (U+0100 to U+017F) without their marks.
constexpr std::string_view kExtendedA = "AaAaAaCcCcCcCcDd"
                                        "DdEeEeEeEeEeGgGg"
                                        "GgGgHhHhIiIiIiIi"
                                        "IiIiJjKkkLlLlLlL"
                                        "lLlNnNnNnnNnOoOo"
                                        "OoOoRrRrRrSsSsSs"
                                        "SsTtTtTtUuUuUuUu"
                                        "UuUuWwYyYZzZzZzs";
static_assert(kExtendedA.size() == 0x80);

// The ISO-8859-1 letters (U+00C0 to U+00FF) without their marks; "*" where
// one letter becomes two.
constexpr std::string_view kLatin1Letters = "AAAAAA*CEEEEIIII"
                                            "DNOOOOOxOUUUUY**"
                                            "aaaaaa*ceeeeiiii"
                                            "dnooooo/ouuuuy*y";
static_assert(kLatin1Letters.size() == 0x40);

// What stands for c in ISO-8859-1 text (ASCII with ascii); empty where
// nothing is close.
std::string_view Transliteration(char32_t c, bool ascii) {
    if (ascii && c >= 0xC0 && c <= 0xFF) {
        switch (c) {
        case 0xC6:
            return "AE";
        case 0xDE:
            return "TH";
        case 0xDF:
            return "ss";
        case 0xE6:
            return "ae";
        case 0xFE:
            return "th";
        default:
            return kLatin1Letters.substr(c - 0xC0, 1);
        }
    }
    switch (c) {
    case 0x132:
        return "IJ";
    case 0x133:
        return "ij";
    case 0x152:
        return "OE";
    case 0x153:
        return "oe";
    case 0x218:
        return "S";
    case 0x219:
        return "s";
    case 0x21A:
        return "T";
    case 0x21B:
        return "t";
    case 0x2018:
    case 0x2019:
    case 0x201A:
    case 0x2032:
        return "'";
    case 0x201C:
    case 0x201D:
    case 0x201E:
    case 0x2033:
        return "\"";
    case 0x2010:
    case 0x2011:
    case 0x2012:
    case 0x2013:
    case 0x2014:
    case 0x2212:
        return "-";
    case 0x2026:
        return "...";
    case 0x20AC:
        return "EUR";
    case 0x2022:
        return "*";
    default:
        break;
    }
    if (c >= 0x100 && c < 0x180) return kExtendedA.substr(c - 0x100, 1);
    return {};
}

bool IsControl(char32_t c) {
    return c < 0x20 || c == 0x7F || (c >= 0x80 && c < 0xA0) || c == 0x2028 || c == 0x2029;
}

} // namespace

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

std::string Field(std::string_view text, const Dialect& d, bool* lossy) {
    std::string body;
    body.reserve(text.size() + 2);
    for (std::size_t i = 0; i < text.size();) {
        const char32_t c = Next(text, i);
        if (IsControl(c)) {
            // A line break or a tab in a field is a space to anyone reading
            // it; in the file it would end the line or the field.
            body += ' ';
        } else if (!d.latin1 && !d.ascii) {
            AppendUtf8(body, c);
        } else if (c <= (d.ascii ? 0x7F : 0xFF)) {
            body += static_cast<char>(static_cast<unsigned char>(c));
        } else {
            const std::string_view near = Transliteration(c, d.ascii);
            body += near.empty() ? std::string_view("?") : near;
            if (lossy) *lossy = true;
        }
    }
    if (d.formulaGuard && !body.empty() &&
        (body[0] == '=' || body[0] == '+' || body[0] == '-' || body[0] == '@'))
        body.insert(body.begin(), '\'');
    if (d.quote == '\0') return body; // a dialect without quotes: one line of text
    const bool needsQuotes = d.alwaysQuote || body.find(d.separator) != std::string::npos ||
                             body.find(d.quote) != std::string::npos ||
                             (!body.empty() && (body.front() == ' ' || body.back() == ' '));
    if (!needsQuotes) return body;
    std::string out(1, d.quote);
    for (const char c : body) {
        out += c;
        if (c == d.quote) out += c;
    }
    out += d.quote;
    return out;
}

} // namespace fieldtext
