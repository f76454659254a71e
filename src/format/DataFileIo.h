// The two binary files of the data side: the record file, which every ping is
// appended to, and the playback file, which is read record by record.
//
// The record file is written without any user-space buffer: each appended
// record is one write() to the kernel, so a program that is killed loses at
// most the record it was appending, and a failed write is known at once.
// The playback file reads through a window buffer with 64-bit positions; it
// can also read from memory, which the fuzzer and the tests use.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// Creates (or empties) the file at path and closes it again: an output that is
// written only at the end learns at the start that its folder cannot take it.
// On failure returns false with errno's value in *error.
bool ProbeWritable(const std::string& path, int* error);

// Writes text as the whole contents of the file at path. On failure returns
// false with the reason ("cannot write PATH: why") in *error when given.
bool WriteWholeFile(const std::string& path, std::string_view text, std::string* error = nullptr);

class CRecordFile {
  public:
    CRecordFile() = default;
    ~CRecordFile();
    CRecordFile(const CRecordFile&) = delete;
    CRecordFile& operator=(const CRecordFile&) = delete;

    // Creates or truncates the file. On failure returns false and leaves the
    // reason in Error().
    bool Create(const std::string& path);
    void Close();
    bool IsOpen() const { return m_fd >= 0; }
    const std::string& Path() const { return m_path; }
    // Bytes that reached the file so far (whole records only).
    std::uint64_t Size() const { return m_size; }
    const std::string& Error() const { return m_error; }

    // Writes the bytes at the end of the file. A short or failed write is
    // undone (the file is cut back to its previous size, so it never ends in a
    // piece of a record) and false is returned with the reason in Error().
    // A file that was removed while it was open counts as a failure: its
    // contents are written back under the same name first, so nothing that
    // was recorded disappears with the directory entry.
    bool Append(std::span<const std::uint8_t> bytes);

    // Where the records of a file removed while open were written back
    // (empty when nothing was): its own name when its folder still exists or
    // could be made again, otherwise the user's data folder or the temporary
    // folder.
    const std::string& RestoredPath() const { return m_restoredPath; }

  private:
    bool RestoreRemovedFile();
    bool CopyTo(const std::string& path);

    int m_fd = -1;
    std::string m_path;
    std::string m_restoredPath;
    std::uint64_t m_size = 0;
    std::string m_error;
};

class CPlayFile {
  public:
    CPlayFile() = default;
    ~CPlayFile();
    CPlayFile(const CPlayFile&) = delete;
    CPlayFile& operator=(const CPlayFile&) = delete;

    bool Open(const std::string& path);
    // Plays from a copy of the given bytes instead of a file.
    void OpenMemory(std::vector<std::uint8_t> bytes);
    void Close();
    bool IsOpen() const { return m_open; }
    const std::string& Error() const { return m_error; }

    std::uint64_t Length() const { return m_length; }
    std::uint64_t Position() const { return m_position; }
    // Any position is allowed; reading past the end gives nothing.
    void Seek(std::uint64_t position) { m_position = position; }
    // Reads up to size bytes at the current position and advances past what
    // was read. Returns the number of bytes read (short at the end).
    std::size_t Read(void* out, std::size_t size);
    // The byte at an absolute position, or -1 past the end. Leaves the
    // position alone.
    int ByteAt(std::uint64_t position);
    // The bytes held from position on, as far as the buffer goes (reading
    // them in first when position is outside it): empty past the end or when
    // the file cannot be read. Valid until the next read or seek-and-read;
    // leaves the position alone. Lets a search scan many bytes per call.
    std::span<const std::uint8_t> BufferedFrom(std::uint64_t position);

  private:
    bool Fill(std::uint64_t position);

    int m_fd = -1;
    bool m_open = false;
    bool m_memory = false;
    std::uint64_t m_length = 0;
    std::uint64_t m_position = 0;
    std::vector<std::uint8_t> m_window;
    std::uint64_t m_windowStart = 0;
    std::size_t m_windowSize = 0;
    std::string m_error;
};
