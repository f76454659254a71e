#include "doc/XyzSinks.h"

#include <cerrno>
#include <cstring>

void DatagramSinkSlot::Reset(std::shared_ptr<DatagramSink> sink) {
    std::shared_ptr<DatagramSink> old;
    {
        std::lock_guard lock(m_mutex);
        old = std::move(m_sink);
        m_sink = std::move(sink);
        m_present.store(m_sink != nullptr, std::memory_order_release);
    }
    // The old socket is released outside the lock so a sender waiting for the
    // slot is not held up by its shutdown.
}

std::shared_ptr<DatagramSink> DatagramSinkSlot::Get() const {
    if (!m_present.load(std::memory_order_acquire)) return {};
    std::lock_guard lock(m_mutex);
    return m_sink;
}

bool XyzFile::Create(const std::string& path, int* error) {
    Close();
    m_lines = 0;
    return m_file.Create(path, error);
}

bool XyzFile::Close() {
    return m_file.Close();
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
