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

    // Reads the file at path. A missing or unreadable file gives an empty
    // profile (every key then takes its default); `readError` tells why.
    static IniFile Load(const std::string& path, std::string* readError = nullptr);

    // The value of key in section (both case-insensitive), trimmed, without a
    // pair of enclosing quotes, cut to kMaxValueLength characters.
    std::optional<std::string> Get(std::string_view section, std::string_view key) const;
    std::string GetString(std::string_view section, std::string_view key,
                          std::string_view fallback) const;

    // Sets key in section: replaces the key's first line in the first matching
    // section, or appends the key to that section, or appends the section.
    void Set(std::string_view section, std::string_view key, std::string_view value);

    std::string ToText() const;

    // Writes the profile to path through a temporary file and a rename, so a
    // crash or a full disk never leaves a half-written settings file behind.
    // Returns false (with a reason) when the file could not be written.
    bool Save(const std::string& path, std::string* error = nullptr) const;

  private:
    struct Line {
        std::string text;   // without its line ending
        std::string ending; // "\r\n", "\n" or "" for a last line without one
    };
    std::vector<Line> m_lines;
    std::string m_newline = "\r\n"; // ending used for lines we add

    static std::optional<std::string> SectionName(const std::string& line);
    static bool KeyOf(const std::string& line, std::string& key, std::string& value);
};
