// Where profile points go: the ".xyz" file of a conversion and the UDP
// output. The document holds both; the socket itself lives in io and reaches
// the document through DatagramSink, so the core and the converter never need
// the network.
#pragma once

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

#include "format/BufferedFile.h"
#include "format/XyzFormat.h"

// One datagram destination. Send is called from the acquisition thread in real
// time and from the user-interface thread in playback: implementations must be
// safe for that, must never block, and drop what cannot be sent.
class DatagramSink {
  public:
    virtual ~DatagramSink() = default;
    virtual void Send(std::string_view bytes) noexcept = 0;
};

// The document's UDP output socket. It is replaced on the user-interface
// thread (connect, opening a playback file, closing) while the acquisition
// thread may be sending: a sender keeps the socket it took alive until its
// send is done.
class DatagramSinkSlot {
  public:
    void Reset(std::shared_ptr<DatagramSink> sink = {});
    std::shared_ptr<DatagramSink> Get() const;
    bool Exists() const { return Get() != nullptr; }

  private:
    mutable std::mutex m_mutex;
    std::shared_ptr<DatagramSink> m_sink;
    // Whether m_sink holds a socket, read without the lock: a document with
    // no socket (every conversion) pays no lock per point for switches a
    // settings file left on.
    std::atomic<bool> m_present{false};
};

// The ".xyz" output file: binary writes, every line carries its own CR LF.
class XyzFile {
  public:
    XyzFile() = default;
    ~XyzFile() { Close(); }
    XyzFile(const XyzFile&) = delete;
    XyzFile& operator=(const XyzFile&) = delete;

    // Creates or truncates path. On failure returns false with errno's value
    // in *error (when given) and the file stays closed.
    bool Create(const std::string& path, int* error = nullptr);
    bool IsOpen() const { return m_file.IsOpen(); }
    void Write(std::string_view text) {
        if (!m_file.IsOpen()) return;
        ++m_lines;
        m_file.Write(text);
    }
    // One point's line, formatted straight into the file's buffer.
    void WriteLine(std::string_view stamp, const xyz::ProfilePoint& point) {
        if (!m_file.IsOpen()) return;
        ++m_lines;
        char* const start =
            reinterpret_cast<char*>(m_file.Reserve(stamp.size() + xyz::kMaxXyzLineNumbers));
        m_file.Commit(static_cast<std::size_t>(xyz::PutXyzFileLine(start, stamp, point) - start));
    }
    // Closes the file; false when a write or the final flush failed since it
    // was created (the file is then incomplete).
    bool Close();
    bool WriteFailed() const { return m_file.Failed(); }
    // errno's value of the first failed write, 0 when none.
    int WriteError() const { return m_file.Error(); }
    // Lines written since Create (each Write is one line).
    std::uint64_t LinesWritten() const { return m_lines; }

  private:
    BufferedFile m_file;
    std::uint64_t m_lines = 0;
};

// The framework-style report of a file that could not be opened or created,
// e.g. "Access to /data/a.xyz was denied.".
std::string FileErrorReport(const std::string& path, int error);
