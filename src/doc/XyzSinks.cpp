#include "doc/XyzSinks.h"

#include <cerrno>
#include <cstring>

void DatagramSinkSlot::Reset(std::shared_ptr<DatagramSink> sink) {
    std::shared_ptr<DatagramSink> old;
    {
        std::lock_guard lock(m_mutex);
        old = std::move(m_sink);
        m_sink = std::move(sink);
    }
    // The old socket is released outside the lock so a sender waiting for the
    // slot is not held up by its shutdown.
}

std::shared_ptr<DatagramSink> DatagramSinkSlot::Get() const {
    std::lock_guard lock(m_mutex);
    return m_sink;
}

namespace {
constexpr std::size_t kXyzBufferSize = 1 << 16;
}

bool XyzFile::Create(const std::string& path, int* error) {
    Close();
    m_writeFailed = false;
    m_lines = 0;
    errno = 0;
    std::FILE* f = std::fopen(path.c_str(), "w+b");
    if (!f) {
        if (error) *error = errno;
        return false;
    }
    m_buffer = std::make_unique<char[]>(kXyzBufferSize);
    std::setvbuf(f, m_buffer.get(), _IOFBF, kXyzBufferSize);
    m_file = f;
    return true;
}

void XyzFile::Write(std::string_view text) {
    if (!m_file) return;
    ++m_lines;
    if (std::fwrite(text.data(), 1, text.size(), m_file) != text.size()) m_writeFailed = true;
}

bool XyzFile::Close() {
    if (!m_file) return !m_writeFailed;
    if (std::ferror(m_file)) m_writeFailed = true;
    if (std::fclose(m_file) != 0) m_writeFailed = true;
    m_file = nullptr;
    m_buffer.reset();
    return !m_writeFailed;
}

std::string FileErrorReport(const std::string& path, int error) {
    switch (error) {
    case EACCES:
    case EPERM:
    case EROFS:
        return "Access to " + path + " was denied.";
    case ENOENT:
    case ENOTDIR:
        return path + " was not found.";
    case ENAMETOOLONG:
        return path + " contains an invalid path.";
    case ENOSPC:
    case EDQUOT:
        return "The disk is full while accessing " + path + ".";
    case EMFILE:
    case ENFILE:
        return "There were too many open files.";
    case EISDIR:
        return "Access to " + path + " was denied.";
    default:
        return "Failed to open document.";
    }
}
