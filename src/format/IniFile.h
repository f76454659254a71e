// Reader and writer for Windows profile ("INI") files, kept byte-faithful:
// writing a key replaces only that key's line (or appends one to its section),
// and every other line, comment, section and line ending stays as it was, so
// files the operators edit by hand survive the program saving its settings.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

class IniFile {
  public:
    // Values are handed out as at most this many characters, like the 256-byte
    // buffers the program has always read them into.
    static constexpr std::size_t kMaxValueLength = 255;

    IniFile() = default;

    // Parses text as a profile file. Any bytes are accepted.
    static IniFile FromText(std::string_view text);

    // A settings file is a few kilobytes; anything much larger is not one.
    static constexpr std::size_t kMaxFileSize = 8u << 20;

    // Reads the file at path. A missing or unreadable file gives an empty
    // profile (every key then takes its default); `readError` tells why.
    // Only regular files up to kMaxFileSize are read: a FIFO, a device or a
    // link to one is refused without waiting on it.
    static IniFile Load(const std::string& path, std::string* readError = nullptr);

    // The value of key in section (both case-insensitive), trimmed, without a
    // pair of enclosing quotes, cut to maxLength characters (values that are
    // not held to the old buffers, such as a device path, pass npos).
    std::optional<std::string> Get(std::string_view section, std::string_view key,
                                   std::size_t maxLength = kMaxValueLength) const;
    std::string GetString(std::string_view section, std::string_view key,
                          std::string_view fallback) const;

    // Sets key in section: replaces the key's first line in the first matching
    // section, or appends the key to that section, or appends the section.
    void Set(std::string_view section, std::string_view key, std::string_view value);

    std::string ToText() const;

    // Writes the profile to path through a temporary file and a rename, so a
    // crash or a full disk never leaves a half-written settings file behind.
    // Returns false (with a reason) when the file could not be written, or
    // when the text is larger than kMaxFileSize (the file is then untouched).
    bool Save(const std::string& path, std::string* error = nullptr) const;

  private:
    // Each line is classified once, when it is read or set, so looking a key
    // up never rescans (or copies) the text of every line: a file with one
    // enormous line stays as quick to use as any other.
    enum class Kind { Other, Section, Key };
    struct Line {
        std::string text;   // without its line ending
        std::string ending; // "\r\n", "\n" or "" for a last line without one
        Kind kind = Kind::Other;
        std::string name;           // section name or key, trimmed (Section, Key)
        std::size_t valueBegin = 0; // trimmed value within text (Key)
        std::size_t valueEnd = 0;
    };
    static Line MakeLine(std::string text, std::string ending);
    std::vector<Line> m_lines;
    std::string m_newline = "\r\n"; // ending used for lines we add
};
