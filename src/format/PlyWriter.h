// Profile points as a point cloud: a binary little-endian PLY file any
// point-cloud viewer opens. Each vertex is the point's X and Y across the
// pipe and Z along it (metres, single precision: the very values the .xyz
// lines print), the scan it belongs to and the echo level the head measured
// there.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "format/BufferedFile.h"

namespace ply {

struct Vertex {
    float x = 0.0f, y = 0.0f, z = 0.0f;
    // Stored as a signed 32-bit "int": common readers skip "uint" properties.
    std::uint32_t scan = 0;
    std::uint8_t echo = 0;
};

inline constexpr std::size_t kVertexBytes = 3 * 4 + 4 + 1;
// The vertex count is not known until the last point, so the header holds it
// zero-padded to this many digits and is written again at the end.
inline constexpr int kCountDigits = 10;
inline constexpr std::uint64_t kMaxVertices = 9'999'999'999ull;

// The header for count vertices, "end_header\n" included, with a "comment"
// line for each of comments (single lines of text).
std::string Header(std::uint64_t count, const std::vector<std::string>& comments = {});
// The vertex as it lies in the file.
void EncodeVertex(const Vertex& v, std::uint8_t* out);

// Streams vertices to a file through a fixed buffer, so a survey of any
// length is written in the same memory.
class PlyFileWriter {
  public:
    PlyFileWriter() = default;
    ~PlyFileWriter();
    PlyFileWriter(const PlyFileWriter&) = delete;
    PlyFileWriter& operator=(const PlyFileWriter&) = delete;

    // Creates or truncates path; false with errno's value in *error.
    bool Create(const std::string& path, int* error = nullptr);
    // Comment lines of the header, set before Create. They may change until
    // Finish (a date learned from the points, say) as long as the header
    // keeps its length: Finish fails otherwise.
    void SetComments(std::vector<std::string> comments) { m_comments = std::move(comments); }
    bool IsOpen() const { return m_file.IsOpen(); }
    void Add(const Vertex& v);
    // Writes the final count into the header and closes; false when any
    // write failed (the file is then incomplete).
    bool Finish();
    std::uint64_t Vertices() const { return m_count; }
    // errno's value of the first failed write, 0 when none.
    int WriteError() const { return m_file.Error(); }

  private:
    BufferedFile m_file;
    std::uint64_t m_count = 0;
    std::vector<std::string> m_comments;
    std::size_t m_headerBytes = 0;
    bool m_failed = false; // a vertex past what the header can count, or a header that grew
};

} // namespace ply
