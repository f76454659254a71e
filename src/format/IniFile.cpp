#include "format/IniFile.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "format/NumberText.h"

namespace {

// The blanks a settings line may carry around its names and values.
std::string_view TrimView(std::string_view s) {
    return Trim(s, " \t\r\v\f");
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
        if (nl == std::string_view::npos) {
            ini.m_lines.push_back(MakeLine(std::string(text.substr(pos)), {}));
            pos = text.size();
        } else {
            std::size_t end = nl;
            std::string ending;
            if (end > pos && text[end - 1] == '\r') {
                --end;
                ending = "\r\n";
                sawCrLf = true;
            } else {
                ending = "\n";
                sawLf = true;
            }
            ini.m_lines.push_back(MakeLine(std::string(text.substr(pos, end - pos)), ending));
            pos = nl + 1;
        }
    }
    if (sawLf && !sawCrLf) ini.m_newline = "\n";
    return ini;
}

IniFile IniFile::Load(const std::string& path, std::string* readError) {
    auto fail = [readError](const std::string& why) {
        if (readError) *readError = why;
        return IniFile{};
    };
    // O_NONBLOCK: opening a FIFO must not wait for a writer.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return fail(std::strerror(errno));
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        const int e = errno;
        ::close(fd);
        return fail(std::strerror(e));
    }
    if (!S_ISREG(st.st_mode)) {
        ::close(fd);
        return fail("not a regular file");
    }
    if (static_cast<std::uint64_t>(st.st_size) > kMaxFileSize) {
        ::close(fd);
        return fail("larger than " + std::to_string(kMaxFileSize >> 20) +
                    " MiB, too large for a settings file");
    }
    std::string text;
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR) continue;
            const int e = errno;
            ::close(fd);
            return fail(std::strerror(e));
        }
        if (n == 0) break;
        text.append(buffer, static_cast<std::size_t>(n));
        if (text.size() > kMaxFileSize) {
            ::close(fd);
            return fail("grew beyond " + std::to_string(kMaxFileSize >> 20) + " MiB while read");
        }
    }
    ::close(fd);
    return FromText(text);
}

IniFile::Line IniFile::MakeLine(std::string text, std::string ending) {
    Line line;
    line.text = std::move(text);
    line.ending = std::move(ending);
    const std::string_view t = TrimView(line.text);
    if (t.size() >= 2 && t.front() == '[') {
        const std::size_t close = t.find(']');
        if (close != std::string_view::npos) {
            line.kind = Kind::Section;
            line.name = TrimView(t.substr(1, close - 1));
            return line;
        }
    }
    const std::string_view all(line.text);
    const std::size_t eq = all.find('=');
    if (eq == std::string_view::npos) return line;
    const std::string_view key = TrimView(all.substr(0, eq));
    if (key.empty()) return line;
    line.kind = Kind::Key;
    line.name = key;
    const std::string_view value = TrimView(all.substr(eq + 1));
    line.valueBegin = static_cast<std::size_t>(value.data() - all.data());
    line.valueEnd = line.valueBegin + value.size();
    return line;
}

std::optional<std::string> IniFile::Get(std::string_view section, std::string_view key,
                                        std::size_t maxLength) const {
    bool inSection = false;
    for (const Line& line : m_lines) {
        if (line.kind == Kind::Section) {
            inSection = EqualNoCase(line.name, section);
            continue;
        }
        if (!inSection || line.kind != Kind::Key || !EqualNoCase(line.name, key)) continue;
        std::string_view v =
            std::string_view(line.text).substr(line.valueBegin, line.valueEnd - line.valueBegin);
        if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
            v = v.substr(1, v.size() - 2);
        if (v.size() > maxLength) v = v.substr(0, maxLength);
        return std::string(v);
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
    for (std::size_t i = 0; i < m_lines.size(); ++i) {
        const Line& line = m_lines[i];
        if (line.kind == Kind::Section) {
            if (found && inSection) break; // only the first matching section takes new keys
            inSection = EqualNoCase(line.name, section);
            if (inSection) {
                found = true;
                lastInSection = i + 1;
            }
            continue;
        }
        if (!inSection) continue;
        if (line.kind == Kind::Key && EqualNoCase(line.name, key)) {
            m_lines[i] = MakeLine(std::move(newText), std::move(m_lines[i].ending));
            return;
        }
        if (line.kind != Kind::Other || !TrimView(line.text).empty()) lastInSection = i + 1;
    }
    // A last line without an ending gets one before anything follows it.
    if (!m_lines.empty() && m_lines.back().ending.empty()) m_lines.back().ending = m_newline;
    if (found) {
        m_lines.insert(m_lines.begin() + static_cast<std::ptrdiff_t>(lastInSection),
                       MakeLine(std::move(newText), m_newline));
        return;
    }
    m_lines.push_back(MakeLine("[" + std::string(section) + "]", m_newline));
    m_lines.push_back(MakeLine(std::move(newText), m_newline));
}

std::string IniFile::ToText() const {
    std::size_t size = 0;
    for (const Line& line : m_lines)
        size += line.text.size() + line.ending.size();
    std::string out;
    out.reserve(size);
    for (const Line& line : m_lines) {
        out += line.text;
        out += line.ending;
    }
    return out;
}

bool IniFile::Save(const std::string& path, std::string* error) const {
    const std::string text = ToText();
    // A file Load would refuse must never replace one it reads: the next
    // start would fall back to the factory settings and never save again.
    if (text.size() > kMaxFileSize) {
        if (error)
            *error = "it would grow to " + std::to_string(text.size()) + " bytes, more than the " +
                     std::to_string(kMaxFileSize >> 20) +
                     " MiB a settings file may have; the file was left as it is";
        return false;
    }
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
