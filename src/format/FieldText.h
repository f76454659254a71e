// One way to put free text (a recording's name, what a crew typed about a
// survey) into a field of a delimited text file, whatever the text holds:
// separators, quotes, line breaks, control bytes, a leading "#" or "=", or
// characters the file's character set cannot hold. Every text field of the
// exchange files and the batch summary goes through Field, so none of them
// can break its file's structure or be run by a spreadsheet.
#pragma once

#include <string>
#include <string_view>

namespace fieldtext {

struct Dialect {
    char separator = ',';
    char quote = '"'; // '\0': never quoted (the text only has to stay one line)
    // The file is ISO-8859-1: characters beyond it are transliterated
    // ("Ł" -> "L", "€" -> "EUR") or, where nothing is close, "?". Otherwise
    // the file is UTF-8.
    bool latin1 = false;
    // A field a spreadsheet would take for a formula (leading =, +, -, @)
    // gets a leading "'".
    bool formulaGuard = false;
    // Every field is quoted, not only those that need it: then no field can
    // start a line with a block mark such as "#".
    bool alwaysQuote = false;
    // Plain ASCII (a PLY header): the ISO-8859-1 letters lose their marks too.
    bool ascii = false;
};

// The EN 13508-2 text as its #A lines declare it: ISO-8859-1, ";" between
// fields, '"' around text.
inline constexpr Dialect kEn13508{';', '"', true, false, true};
// The CSV tables: UTF-8, "," between fields, '"' where needed.
inline constexpr Dialect kCsv{',', '"', false, true, false};

// text (UTF-8; a byte that is not part of valid UTF-8 is read as the
// ISO-8859-1 character of that value, as names copied from older systems
// are) as one field of dialect. Control characters become spaces; the
// quote is doubled inside quotes. *lossy is set (never cleared) when a
// character had to be transliterated or replaced.
std::string Field(std::string_view text, const Dialect& dialect, bool* lossy = nullptr);

// c as UTF-8 at the end of out.
void AppendUtf8(std::string& out, char32_t c);

} // namespace fieldtext
