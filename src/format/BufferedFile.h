// A file written through one buffer of our own: bytes are copied into it and
// reach the system in large writes, without a lock or a call per line. The
// first failure is kept (with the system's reason), so a writer checks once,
// at the end. The .xyz, PLY and LAS writers all write through it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class BufferedFile {
  public:
    BufferedFile() = default;
    ~BufferedFile(); // closes without a word: Close says how it went
    BufferedFile(const BufferedFile&) = delete;
    BufferedFile& operator=(const BufferedFile&) = delete;

    // Creates or truncates path; false with errno's value in *error.
    bool Create(const std::string& path, int* error = nullptr, std::size_t bufferSize = 1 << 16);
    bool IsOpen() const { return m_fd >= 0; }
    void Write(const void* data, std::size_t size);
    void Write(std::string_view text) { Write(text.data(), text.size()); }
    // Room for size bytes (at most the buffer's size) at the end of what is
    // buffered; Commit says how many of them were filled.
    std::uint8_t* Reserve(std::size_t size);
    void Commit(std::size_t size) { m_used += size; }
    // Writes what is buffered, then data at offset from the file's start (a
    // header completed at the end).
    void WriteAt(std::uint64_t offset, const void* data, std::size_t size);
    // Writes what is buffered, then reads size bytes at offset back (a
    // writer that revises what it wrote); false when they cannot all be read.
    bool ReadAt(std::uint64_t offset, void* data, std::size_t size);
    // Writes what is buffered and closes; false when anything failed since
    // Create (the file is then incomplete).
    bool Close();
    bool Failed() const { return m_error != 0; }
    // errno's value of the first failure, 0 when none.
    int Error() const { return m_error; }

  private:
    void Flush();
    void Fail(int error);

    int m_fd = -1;
    std::vector<std::uint8_t> m_buffer;
    std::size_t m_used = 0;
    int m_error = 0;
};
