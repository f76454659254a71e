#include "format/DataFileIo.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr std::size_t kWindowBytes = 64 * 1024;

std::string ErrnoText(int err) {
    return std::strerror(err);
}

// write() until everything is out or an error other than an interrupt.
bool WriteAll(int fd, const std::uint8_t* data, std::size_t size, int& err) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            err = errno;
            return false;
        }
        if (n == 0) {
            err = ENOSPC;
            return false;
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

// Why a descriptor is not one of a file on disk (empty when it is): a FIFO
// or a device would block a read or a write for good, or never end.
std::string NotRegularReason(const struct stat& st) {
    if (S_ISREG(st.st_mode)) return {};
    if (S_ISDIR(st.st_mode)) return "it is a folder";
    if (S_ISFIFO(st.st_mode)) return "it is a FIFO, not a regular file";
    return "it is not a regular file";
}

// Opens without waiting (a FIFO with no one at the other end would hold
// open() itself) and keeps the descriptor only for a regular file; reads and
// writes then block as usual.
int OpenRegular(const std::string& path, int flags, std::string& error) {
    const int fd = ::open(path.c_str(), flags | O_NONBLOCK | O_CLOEXEC, 0666);
    if (fd < 0) {
        error = ErrnoText(errno);
        return -1;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        error = ErrnoText(errno);
        ::close(fd);
        return -1;
    }
    error = NotRegularReason(st);
    if (!error.empty()) {
        ::close(fd);
        return -1;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
}

} // namespace

// --- CRecordFile -------------------------------------------------------------

CRecordFile::~CRecordFile() {
    Close();
}

bool ProbeWritable(const std::string& path, int* error) {
    errno = 0;
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) {
        if (error) *error = errno;
        return false;
    }
    std::fclose(f);
    return true;
}

bool WriteWholeFile(const std::string& path, std::string_view text, std::string* error) {
    errno = 0;
    std::FILE* f = std::fopen(path.c_str(), "wb");
    bool written = f && std::fwrite(text.data(), 1, text.size(), f) == text.size();
    const int why = errno;
    if (f && std::fclose(f) != 0) written = false;
    if (!written && error) *error = "cannot write " + path + ": " + ErrnoText(why ? why : errno);
    return written;
}

bool CRecordFile::Create(const std::string& path) {
    Close();
    m_error.clear();
    // Read access as well, so a file removed behind our back can be copied
    // back from the descriptor we still hold.
    // Looked at before it is opened: O_TRUNC must never reach something
    // that is not a file of ours.
    struct stat before {};
    if (::stat(path.c_str(), &before) == 0 && !S_ISREG(before.st_mode)) {
        m_error = NotRegularReason(before);
        return false;
    }
    const int fd = OpenRegular(path, O_RDWR | O_CREAT | O_TRUNC, m_error);
    if (fd < 0) return false;
    m_fd = fd;
    m_path = path;
    m_restoredPath.clear();
    m_size = 0;
    return true;
}

void CRecordFile::Close() {
    if (m_fd >= 0) ::close(m_fd);
    m_fd = -1;
}

bool CRecordFile::Append(std::span<const std::uint8_t> bytes) {
    if (m_fd < 0) {
        m_error = "the file is not open";
        return false;
    }
    struct stat st {};
    if (::fstat(m_fd, &st) == 0 && st.st_nlink == 0) {
        m_error = "the file was removed while recording";
        if (RestoreRemovedFile())
            m_error += "; what was recorded has been written back to " + m_restoredPath;
        else
            m_error += "; it could not be written back anywhere";
        return false;
    }
    int err = 0;
    if (!WriteAll(m_fd, bytes.data(), bytes.size(), err)) {
        m_error = ErrnoText(err);
        // Never leave a piece of a record at the end of the file.
        if (::ftruncate(m_fd, static_cast<off_t>(m_size)) == 0)
            ::lseek(m_fd, static_cast<off_t>(m_size), SEEK_SET);
        return false;
    }
    m_size += bytes.size();
    return true;
}

namespace {

std::string ParentOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// mkdir -p; true when the folder exists afterwards.
bool MakeFolders(const std::string& folder) {
    struct stat st {};
    if (::stat(folder.c_str(), &st) == 0) return S_ISDIR(st.st_mode);
    if (folder.empty() || folder == "/" || folder == ".") return false;
    if (!MakeFolders(ParentOf(folder))) return false;
    return ::mkdir(folder.c_str(), 0777) == 0 || errno == EEXIST;
}

std::string EnvFolder(const char* name, const char* suffix) {
    const char* v = std::getenv(name);
    if (v == nullptr || *v == '\0') return {};
    return std::string(v) + suffix;
}

} // namespace

bool CRecordFile::CopyTo(const std::string& path) {
    const int out = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (out < 0) return false;
    std::vector<std::uint8_t> buf(kWindowBytes);
    std::uint64_t done = 0;
    bool ok = true;
    while (ok && done < m_size) {
        const std::size_t want =
            static_cast<std::size_t>(std::min<std::uint64_t>(buf.size(), m_size - done));
        const ssize_t n = ::pread(m_fd, buf.data(), want, static_cast<off_t>(done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            ok = false;
            break;
        }
        int err = 0;
        ok = WriteAll(out, buf.data(), static_cast<std::size_t>(n), err);
        done += static_cast<std::uint64_t>(n);
    }
    if (::close(out) != 0) ok = false;
    if (!ok) ::unlink(path.c_str());
    return ok;
}

bool CRecordFile::RestoreRemovedFile() {
    // The descriptor still holds every record: put them back under the same
    // name, in its folder made again if need be, else where the user keeps
    // data, else the temporary folder. A name already taken there is never
    // written over.
    const std::string name = NameOf(m_path);
    std::vector<std::string> folders;
    if (MakeFolders(ParentOf(m_path))) folders.push_back(ParentOf(m_path));
    std::string data = EnvFolder("XDG_DATA_HOME", "/TubescanL");
    if (data.empty()) data = EnvFolder("HOME", "/.local/share/TubescanL");
    if (!data.empty() && MakeFolders(data)) folders.push_back(data);
    std::string tmp = EnvFolder("TMPDIR", "");
    folders.push_back(tmp.empty() ? "/tmp" : tmp);
    for (const std::string& folder : folders) {
        const std::string base = folder + "/" + name;
        for (int n = 0; n < 100; ++n) {
            const std::string candidate = n == 0 ? base : base + ".recovered-" + std::to_string(n);
            if (CopyTo(candidate)) {
                m_restoredPath = candidate;
                return true;
            }
            if (errno != EEXIST) break;
        }
    }
    return false;
}

// --- CPlayFile ---------------------------------------------------------------

CPlayFile::~CPlayFile() {
    Close();
}

bool CPlayFile::Open(const std::string& path) {
    Close();
    m_error.clear();
    const int fd = OpenRegular(path, O_RDONLY, m_error);
    if (fd < 0) return false;
    struct stat st {};
    ::fstat(fd, &st);
    m_fd = fd;
    m_open = true;
    m_memory = false;
    m_length = static_cast<std::uint64_t>(st.st_size);
    m_position = 0;
    m_window.assign(kWindowBytes, 0);
    m_windowStart = 0;
    m_windowSize = 0;
    return true;
}

void CPlayFile::OpenMemory(std::vector<std::uint8_t> bytes) {
    Close();
    m_open = true;
    m_memory = true;
    m_length = bytes.size();
    m_window = std::move(bytes);
    m_windowStart = 0;
    m_windowSize = m_window.size();
    m_position = 0;
}

void CPlayFile::Close() {
    if (m_fd >= 0) ::close(m_fd);
    m_fd = -1;
    m_open = false;
    m_memory = false;
    m_length = 0;
    m_position = 0;
    m_windowStart = 0;
    m_windowSize = 0;
    m_window.clear();
    m_window.shrink_to_fit();
}

bool CPlayFile::Fill(std::uint64_t position) {
    if (m_memory || m_fd < 0) return false;
    m_windowStart = position;
    m_windowSize = 0;
    for (;;) {
        const ssize_t n =
            ::pread(m_fd, m_window.data(), m_window.size(), static_cast<off_t>(position));
        if (n < 0 && errno == EINTR) continue;
        if (n > 0) m_windowSize = static_cast<std::size_t>(n);
        return m_windowSize > 0;
    }
}

std::size_t CPlayFile::Read(void* out, std::size_t size) {
    if (!m_open) return 0;
    auto* dst = static_cast<std::uint8_t*>(out);
    std::size_t done = 0;
    while (done < size) {
        const bool inWindow =
            m_position >= m_windowStart && m_position < m_windowStart + m_windowSize;
        if (!inWindow && !Fill(m_position)) break;
        const std::size_t offset = static_cast<std::size_t>(m_position - m_windowStart);
        const std::size_t n = std::min(size - done, m_windowSize - offset);
        std::memcpy(dst + done, m_window.data() + offset, n);
        done += n;
        m_position += n;
    }
    return done;
}

int CPlayFile::ByteAt(std::uint64_t position) {
    const auto bytes = BufferedFrom(position);
    return bytes.empty() ? -1 : bytes[0];
}

std::span<const std::uint8_t> CPlayFile::BufferedFrom(std::uint64_t position) {
    if (!m_open) return {};
    const bool inWindow = position >= m_windowStart && position < m_windowStart + m_windowSize;
    if (!inWindow && !Fill(position)) return {};
    const std::size_t offset = static_cast<std::size_t>(position - m_windowStart);
    return {m_window.data() + offset, m_windowSize - offset};
}
