#include "format/PlyWriter.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace ply {

namespace {

constexpr std::size_t kBufferVertices = 4096;

void PutU32(std::uint8_t* out, std::uint32_t v) {
    out[0] = static_cast<std::uint8_t>(v);
    out[1] = static_cast<std::uint8_t>(v >> 8);
    out[2] = static_cast<std::uint8_t>(v >> 16);
    out[3] = static_cast<std::uint8_t>(v >> 24);
}

void PutF32(std::uint8_t* out, float f) {
    std::uint32_t bits;
    std::memcpy(&bits, &f, sizeof bits);
    PutU32(out, bits);
}

} // namespace

std::string Header(std::uint64_t count, const std::vector<std::string>& comments) {
    std::string digits = std::to_string(count);
    if (digits.size() < static_cast<std::size_t>(kCountDigits))
        digits.insert(0, kCountDigits - digits.size(), '0');
    std::string extra;
    for (const std::string& c : comments)
        extra += "comment " + c + "\n";
    return "ply\n"
           "format binary_little_endian 1.0\n"
           "comment TubescanL profile points: x right, y up, z along the pipe, metres\n"
           "comment scan: revolution or sector pass; echo: level at the profile point\n" +
           extra + "element vertex " + digits +
           "\n"
           "property float x\n"
           "property float y\n"
           "property float z\n"
           "property int scan\n"
           "property uchar echo\n"
           "end_header\n";
}

void EncodeVertex(const Vertex& v, std::uint8_t* out) {
    PutF32(out, v.x);
    PutF32(out + 4, v.y);
    PutF32(out + 8, v.z);
    PutU32(out + 12, std::min<std::uint32_t>(v.scan, 0x7FFFFFFF));
    out[16] = v.echo;
}

PlyFileWriter::~PlyFileWriter() = default;

bool PlyFileWriter::Create(const std::string& path, int* error) {
    m_count = 0;
    m_failed = false;
    if (!m_file.Create(path, error, kBufferVertices * kVertexBytes)) return false;
    const std::string header = Header(0, m_comments);
    m_headerBytes = header.size();
    m_file.Write(header);
    return true;
}

void PlyFileWriter::Add(const Vertex& v) {
    if (!m_file.IsOpen()) return;
    // A count the header cannot hold would make the file lie about itself.
    if (m_count >= kMaxVertices) {
        m_failed = true;
        return;
    }
    EncodeVertex(v, m_file.Reserve(kVertexBytes));
    m_file.Commit(kVertexBytes);
    ++m_count;
}

bool PlyFileWriter::Finish() {
    if (!m_file.IsOpen()) return false;
    const std::string header = Header(m_count, m_comments);
    // A header of another length would overwrite the first points.
    if (header.size() != m_headerBytes)
        m_failed = true;
    else
        m_file.WriteAt(0, header.data(), header.size());
    return m_file.Close() && !m_failed;
}

} // namespace ply
