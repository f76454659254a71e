#include "format/BufferedFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

// Every byte of data at fd's position (or at offset when one is given),
// across short writes and interrupted calls; errno's value when it cannot.
int WriteAll(int fd, const std::uint8_t* data, std::size_t size, off_t offset = -1) {
    while (size > 0) {
        const ssize_t n = offset < 0 ? ::write(fd, data, size) : ::pwrite(fd, data, size, offset);
        if (n < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        if (n == 0) return EIO;
        data += n;
        size -= static_cast<std::size_t>(n);
        if (offset >= 0) offset += n;
    }
    return 0;
}

} // namespace

BufferedFile::~BufferedFile() {
    if (m_fd >= 0) ::close(m_fd);
}

bool BufferedFile::Create(const std::string& path, int* error, std::size_t bufferSize) {
    if (m_fd >= 0) ::close(m_fd);
    m_used = 0;
    m_error = 0;
    m_fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (m_fd < 0) {
        if (error) *error = errno;
        return false;
    }
    m_buffer.assign(bufferSize, 0);
    return true;
}

void BufferedFile::Fail(int error) {
    if (m_error == 0) m_error = error;
}

void BufferedFile::Flush() {
    if (m_used == 0 || m_fd < 0) return;
    // After a failure the rest goes nowhere: the file is incomplete anyway.
    if (m_error == 0) Fail(WriteAll(m_fd, m_buffer.data(), m_used));
    m_used = 0;
}

void BufferedFile::Write(const void* data, std::size_t size) {
    if (m_fd < 0) return;
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    if (m_used + size > m_buffer.size()) {
        Flush();
        if (size >= m_buffer.size()) {
            if (m_error == 0) Fail(WriteAll(m_fd, bytes, size));
            return;
        }
    }
    std::memcpy(m_buffer.data() + m_used, bytes, size);
    m_used += size;
}

std::uint8_t* BufferedFile::Reserve(std::size_t size) {
    if (m_used + size > m_buffer.size()) Flush();
    return m_buffer.data() + m_used;
}

void BufferedFile::WriteAt(std::uint64_t offset, const void* data, std::size_t size) {
    if (m_fd < 0) return;
    Flush();
    if (m_error == 0)
        Fail(WriteAll(m_fd, static_cast<const std::uint8_t*>(data), size,
                      static_cast<off_t>(offset)));
}

bool BufferedFile::ReadAt(std::uint64_t offset, void* data, std::size_t size) {
    if (m_fd < 0) return false;
    Flush();
    if (m_error != 0) return false;
    auto* bytes = static_cast<std::uint8_t*>(data);
    while (size > 0) {
        const ssize_t n = ::pread(m_fd, bytes, size, static_cast<off_t>(offset));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            Fail(n < 0 ? errno : EIO);
            return false;
        }
        bytes += n;
        offset += static_cast<std::uint64_t>(n);
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

bool BufferedFile::Close() {
    if (m_fd < 0) return m_error == 0;
    Flush();
    if (::close(m_fd) != 0) Fail(errno);
    m_fd = -1;
    m_buffer = {};
    return m_error == 0;
}
