#include "format/IniFile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

#include <fcntl.h>
#include <unistd.h>

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

std::string Trim(std::string_view s) {
    std::size_t b = 0, e = s.size();
    while (b < e && IsBlank(s[b]))
        ++b;
    while (e > b && IsBlank(s[e - 1]))
        --e;
    return std::string(s.substr(b, e - b));
}

bool EqualNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        unsigned char x = static_cast<unsigned char>(a[i]);
        unsigned char y = static_cast<unsigned char>(b[i]);
        if (x >= 'A' && x <= 'Z') x = static_cast<unsigned char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<unsigned char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

} // namespace

IniFile IniFile::FromText(std::string_view text) {
    IniFile ini;
    std::size_t pos = 0;
    bool sawCrLf = false, sawLf = false;
    while (pos < text.size()) {
        std::size_t nl = text.find('\n', pos);
        Line line;
        if (nl == std::string_view::npos) {
            line.text.assign(text.substr(pos));
            pos = text.size();
        } else {
            std::size_t end = nl;
            if (end > pos && text[end - 1] == '\r') {
                --end;
                line.ending = "\r\n";
                sawCrLf = true;
            } else {
                line.ending = "\n";
                sawLf = true;
            }
            line.text.assign(text.substr(pos, end - pos));
            pos = nl + 1;
        }
        ini.m_lines.push_back(std::move(line));
    }
    if (sawLf && !sawCrLf) ini.m_newline = "\n";
    return ini;
}

IniFile IniFile::Load(const std::string& path, std::string* readError) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        if (readError) *readError = std::strerror(errno);
        return IniFile{};
    }
    std::ostringstream ss;
    ss << in.rdbuf();
    if (in.bad()) {
        if (readError) *readError = "read error";
        return IniFile{};
    }
    return FromText(ss.str());
}

std::optional<std::string> IniFile::SectionName(const std::string& line) {
    std::string t = Trim(line);
    if (t.size() < 2 || t.front() != '[') return std::nullopt;
    std::size_t close = t.find(']');
    if (close == std::string::npos) return std::nullopt;
    return Trim(std::string_view(t).substr(1, close - 1));
}

bool IniFile::KeyOf(const std::string& line, std::string& key, std::string& value) {
    std::size_t eq = line.find('=');
    if (eq == std::string::npos) return false;
    key = Trim(std::string_view(line).substr(0, eq));
    value = Trim(std::string_view(line).substr(eq + 1));
    return !key.empty();
}

std::optional<std::string> IniFile::Get(std::string_view section, std::string_view key) const {
    bool inSection = false;
    std::string k, v;
    for (const Line& line : m_lines) {
        if (auto name = SectionName(line.text)) {
            inSection = EqualNoCase(*name, section);
            continue;
        }
        if (!inSection || !KeyOf(line.text, k, v) || !EqualNoCase(k, key)) continue;
        if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
            v = v.substr(1, v.size() - 2);
        if (v.size() > kMaxValueLength) v.resize(kMaxValueLength);
        return v;
    }
    return std::nullopt;
}

std::string IniFile::GetString(std::string_view section, std::string_view key,
                               std::string_view fallback) const {
    if (auto v = Get(section, key)) return *v;
    std::string f(fallback);
    if (f.size() > kMaxValueLength) f.resize(kMaxValueLength);
    return f;
}

void IniFile::Set(std::string_view section, std::string_view key, std::string_view value) {
    std::string newText = std::string(key) + "=" + std::string(value);
    bool inSection = false;
    bool found = false;
    std::size_t lastInSection = 0; // index after the last non-blank line of the section
    std::string k, v;
    for (std::size_t i = 0; i < m_lines.size(); ++i) {
        if (auto name = SectionName(m_lines[i].text)) {
            if (found && inSection) break; // only the first matching section takes new keys
            inSection = EqualNoCase(*name, section);
            if (inSection) {
                found = true;
                lastInSection = i + 1;
            }
            continue;
        }
        if (!inSection) continue;
        if (KeyOf(m_lines[i].text, k, v) && EqualNoCase(k, key)) {
            m_lines[i].text = newText;
            return;
        }
        if (!Trim(m_lines[i].text).empty()) lastInSection = i + 1;
    }
    // A last line without an ending gets one before anything follows it.
    if (!m_lines.empty() && m_lines.back().ending.empty()) m_lines.back().ending = m_newline;
    if (found) {
        m_lines.insert(m_lines.begin() + static_cast<std::ptrdiff_t>(lastInSection),
                       Line{newText, m_newline});
        return;
    }
    m_lines.push_back(Line{"[" + std::string(section) + "]", m_newline});
    m_lines.push_back(Line{newText, m_newline});
}

std::string IniFile::ToText() const {
    std::string out;
    for (const Line& line : m_lines) {
        out += line.text;
        out += line.ending;
    }
    return out;
}

bool IniFile::Save(const std::string& path, std::string* error) const {
    const std::string text = ToText();
    const std::string tmp = path + ".tmp";
    int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        if (error) *error = std::strerror(errno);
        return false;
    }
    std::size_t done = 0;
    bool ok = true;
    while (done < text.size()) {
        ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            ok = false;
            break;
        }
        done += static_cast<std::size_t>(n);
    }
    if (ok && ::fsync(fd) != 0) ok = false;
    int savedErrno = errno;
    if (::close(fd) != 0 && ok) {
        ok = false;
        savedErrno = errno;
    }
    if (ok && std::rename(tmp.c_str(), path.c_str()) != 0) {
        ok = false;
        savedErrno = errno;
    }
    if (!ok) {
        ::unlink(tmp.c_str());
        if (error) *error = std::strerror(savedErrno);
    }
    return ok;
}
