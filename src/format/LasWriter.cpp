#include "format/LasWriter.h"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string_view>

namespace las {

namespace {

constexpr std::size_t kBufferPoints = 4096;

// A local engineering frame: the head at the origin, metres, no projection.
constexpr std::string_view kWkt =
    "LOCAL_CS[\"TubescanL head frame\",LOCAL_DATUM[\"sonar head\",32767],"
    "UNIT[\"metre\",1],AXIS[\"X (right)\",OTHER],AXIS[\"Y (up)\",OTHER],"
    "AXIS[\"Z (along the pipe)\",OTHER]]";

struct ExtraField {
    std::uint8_t type; // LAS data type: 1 unsigned char, 5 unsigned long, 10 double
    const char* name;
    const char* description;
    bool noData;
};

constexpr ExtraField kExtraFields[] = {
    {5, "scan", "revolution or sector pass, from 1", false},
    {10, "distance", "along the pipe, metres", false},
    {1, "echo", "echo level at the profile point", false},
    {10, "deviation", "from nominal wall, m, inward +", true},
};

template <typename T> void Put(std::uint8_t* out, T v) {
    // The format is little-endian, as is every machine this runs on; the
    // static_assert keeps it from being built where it would be wrong.
    static_assert(std::endian::native == std::endian::little);
    std::memcpy(out, &v, sizeof v);
}

void PutText(std::uint8_t* out, std::string_view text, std::size_t size) {
    std::memcpy(out, text.data(), std::min(text.size(), size));
}

void PutVlrHeader(std::uint8_t* out, std::string_view user, std::uint16_t id, std::uint16_t length,
                  std::string_view description) {
    PutText(out + 2, user, 16);
    Put<std::uint16_t>(out + 18, id);
    Put<std::uint16_t>(out + 20, length);
    PutText(out + 22, description, 32);
}

std::string_view WktOf(const std::string& wkt) {
    return wkt.empty() ? kWkt : std::string_view(wkt);
}

std::size_t VlrBytes(std::string_view wkt) {
    return 2 * kVlrHeaderBytes + wkt.size() + 1 + std::size(kExtraFields) * kExtraBytesDescriptor;
}

} // namespace

namespace {

std::array<std::uint8_t, kHeaderBytes> EncodeHeaderFor(const Summary& s, std::uint16_t year,
                                                       std::uint16_t dayOfYear,
                                                       const Identity& identity,
                                                       std::string_view wkt) {
    std::array<std::uint8_t, kHeaderBytes> h{};
    PutText(&h[0], "LASF", 4);
    Put<std::uint16_t>(&h[6], kGlobalEncodingWkt);
    // The GUID's first three parts are little-endian numbers in the file,
    // the last eight bytes as they read.
    const auto& id = identity.projectId;
    for (int i = 0; i < 4; ++i)
        h[8 + i] = id[3 - i];
    h[12] = id[5], h[13] = id[4], h[14] = id[7], h[15] = id[6];
    for (int i = 8; i < 16; ++i)
        h[8 + i] = id[i];
    h[24] = 1;
    h[25] = 4;
    PutText(&h[26], identity.systemIdentifier, 32);
    PutText(&h[58], identity.generatingSoftware, 32);
    Put<std::uint16_t>(&h[90], dayOfYear);
    Put<std::uint16_t>(&h[92], year);
    Put<std::uint16_t>(&h[94], kHeaderBytes);
    Put<std::uint32_t>(&h[96], static_cast<std::uint32_t>(kHeaderBytes + VlrBytes(wkt)));
    Put<std::uint32_t>(&h[100], 2);
    h[104] = 6;
    Put<std::uint16_t>(&h[105], kPointBytes);
    // The legacy counts (107, 111) stay 0: record formats above 5 must not
    // use them, whatever the count.
    for (int axis = 0; axis < 3; ++axis) {
        Put<double>(&h[131 + 8 * axis], s.scale[axis]);
        Put<double>(&h[155 + 8 * axis], s.offset[axis]);
        const bool any = s.count > 0;
        Put<double>(&h[179 + 16 * axis], any ? s.max[axis] : 0.0);
        Put<double>(&h[187 + 16 * axis], any ? s.min[axis] : 0.0);
    }
    // 227: no waveform packets; 235, 243: no extended VLRs.
    Put<std::uint64_t>(&h[247], s.count);
    Put<std::uint64_t>(&h[255], s.count); // every point is the first of one return
    return h;
}

} // namespace

std::array<std::uint8_t, kHeaderBytes> EncodeHeader(const Summary& s, std::uint16_t year,
                                                    std::uint16_t dayOfYear,
                                                    const Identity& identity) {
    return EncodeHeaderFor(s, year, dayOfYear, identity, kWkt);
}

std::vector<std::uint8_t> EncodeVlrs(const std::string& frameWkt) {
    const std::string_view wkt = WktOf(frameWkt);
    const std::size_t bytes = VlrBytes(wkt);
    std::vector<std::uint8_t> v(std::max(bytes, 2 * kVlrHeaderBytes), 0);
    std::uint8_t* out = v.data();
    PutVlrHeader(out, "LASF_Projection", 2112, static_cast<std::uint16_t>(wkt.size() + 1),
                 "OGC WKT coordinate system");
    out += kVlrHeaderBytes;
    PutText(out, wkt, wkt.size()); // the byte after it stays 0: the text's end
    out += wkt.size() + 1;
    PutVlrHeader(out, "LASF_Spec", 4,
                 static_cast<std::uint16_t>(std::size(kExtraFields) * kExtraBytesDescriptor),
                 "Extra Bytes");
    out += kVlrHeaderBytes;
    for (const ExtraField& f : kExtraFields) {
        out[2] = f.type;
        out[3] = f.noData ? 1 : 0; // options bit 0: no_data is set
        PutText(out + 4, f.name, 32);
        if (f.noData) Put<double>(out + 40, kNoDeviation);
        PutText(out + 160, f.description, 32);
        out += kExtraBytesDescriptor;
    }
    return v;
}

namespace {

bool Quantise(double v, double scale, std::int32_t& out) {
    const double units = std::nearbyint(v / scale);
    if (!(units >= std::numeric_limits<std::int32_t>::min() &&
          units <= std::numeric_limits<std::int32_t>::max()))
        return false;
    out = static_cast<std::int32_t>(units);
    return true;
}

std::string Metres(double v) {
    char text[64];
    std::snprintf(text, sizeof text, "%.2f m", v);
    return text;
}

std::string Units(double v, const Frame& f) {
    char text[80];
    std::snprintf(text, sizeof text, "%.3f %s", v, f.unit.c_str());
    return text;
}

std::string UnstorableReason(const Point& p, const Summary& s, const Frame& f) {
    if (!std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(p.z))
        return "a point has no finite coordinate";
    if (!f.Local()) {
        // Placed in the world: the offsets lie between the nodes, so a point
        // beyond reach lies far off the pipe along its chainage.
        const double reach = 2147483647.0 * std::min({s.scale[0], s.scale[1], s.scale[2]});
        return "a point at " + Metres(p.distance) + " along the pipe is placed at (" +
               Units(p.x, f) + ", " + Units(p.y, f) + ", " + Units(p.z, f) + "), more than " +
               Units(reach, f) + " from the nodes' (" + Units(s.offset[0], f) + ", " +
               Units(s.offset[1], f) + ", " + Units(s.offset[2], f) +
               "), beyond what LAS coordinates (32-bit integers) can hold in one file";
    }
    const double zOffset = s.offset[2];
    if (std::abs(p.z - zOffset) >= kReach)
        return "a point at " + Metres(p.z) + " along the pipe lies more than " + Metres(kReach) +
               " from " + Metres(zOffset) +
               ", beyond what LAS coordinates (32-bit integers of 0.5 mm) can hold in one file";
    return "a point " + Metres(std::max(std::abs(p.x), std::abs(p.y))) +
           " from the head is beyond what LAS coordinates (32-bit integers of 0.5 mm) can hold";
}

} // namespace

bool FitZ(double lo, double hi, double& offset, double& scale) {
    if (!std::isfinite(lo) || !std::isfinite(hi) || lo > hi) return false;
    const double middle = std::nearbyint((lo / 2 + hi / 2) / 1000.0) * 1000.0;
    const double far = std::max(hi - middle, middle - lo);
    for (const double step : {kScale, 0.001, 0.01, 0.1, 1.0}) {
        // A step short of the integers' end: rounding never carries past it.
        if (far < (2147483647.0 - 1.0) * step) {
            offset = middle;
            scale = step;
            return true;
        }
    }
    return false;
}

double ZOffsetFor(double z) {
    // Ordinary surveys keep 0 (and their files as they always were); one
    // that starts more than halfway to the integers' reach gets all of it
    // on either side of where it starts.
    if (!std::isfinite(z) || std::abs(z) < kReach / 2) return 0.0;
    return std::nearbyint(z / 1000.0) * 1000.0;
}

bool EncodePoint(const Point& p, std::uint8_t* out, const std::array<double, 3>& offset,
                 const std::array<double, 3>& scale) {
    std::int32_t xyz[3];
    if (!Quantise(p.x - offset[0], scale[0], xyz[0]) ||
        !Quantise(p.y - offset[1], scale[1], xyz[1]) ||
        !Quantise(p.z - offset[2], scale[2], xyz[2]))
        return false;
    std::memset(out, 0, kPointBytes);
    Put(out, xyz[0]);
    Put(out + 4, xyz[1]);
    Put(out + 8, xyz[2]);
    // The echo level spread over the 16-bit intensity, as the format asks.
    Put<std::uint16_t>(out + 12, static_cast<std::uint16_t>(p.echo * 257u));
    out[14] = 0x11; // return 1 of 1
    Put<std::uint32_t>(out + 30, p.scan);
    Put<double>(out + 34, p.distance);
    out[42] = p.echo;
    Put<double>(out + 43, std::isfinite(p.deviation) ? p.deviation : kNoDeviation);
    return true;
}

LasFileWriter::~LasFileWriter() = default;

bool LasFileWriter::Create(const std::string& path, int* error) {
    m_summary = {};
    m_summary.scale = m_frame.scale;
    m_summary.offset = m_frame.offset;
    m_failed = false;
    m_refusal.clear();
    m_note.clear();
    m_zLo = m_zHi = 0.0;
    m_zIsDistance = true;
    m_zHeld = false;
    if (!m_file.Create(path, error, kBufferPoints * kPointBytes)) return false;
    const auto header = EncodeHeaderFor(m_summary, 0, 0, {}, WktOf(m_frame.wkt));
    const auto vlrs = EncodeVlrs(m_frame.wkt);
    m_file.Write(header.data(), header.size());
    m_file.Write(vlrs.data(), vlrs.size());
    m_pointsAt = header.size() + vlrs.size();
    return true;
}

void LasFileWriter::Add(const Point& p) {
    if (!m_file.IsOpen()) return;
    std::uint8_t* out = m_file.Reserve(kPointBytes);
    const bool local = m_frame.Local() && std::isfinite(p.z);
    if (local) {
        if (m_summary.count == 0) {
            m_summary.offset[2] = ZOffsetFor(p.z);
            m_zLo = m_zHi = p.z;
        }
        m_zLo = std::min(m_zLo, p.z);
        m_zHi = std::max(m_zHi, p.z);
        m_zIsDistance = m_zIsDistance && p.z == p.distance;
    }
    if (!EncodePoint(p, out, m_summary.offset, m_summary.scale)) {
        // Its Z held at the offset until the span is known.
        Point held = p;
        held.z = m_summary.offset[2];
        if (!local || p.z != p.distance ||
            !EncodePoint(held, out, m_summary.offset, m_summary.scale)) {
            if (m_refusal.empty()) m_refusal = UnstorableReason(p, m_summary, m_frame);
            m_failed = true;
            return;
        }
        if (!m_zHeld) m_firstHeld = p;
        m_zHeld = true;
    }
    std::int32_t stored[3];
    std::memcpy(stored, out, sizeof stored);
    for (int axis = 0; axis < 3; ++axis) {
        const double v = stored[axis] * m_summary.scale[axis] + m_summary.offset[axis];
        if (m_summary.count == 0 || v < m_summary.min[axis]) m_summary.min[axis] = v;
        if (m_summary.count == 0 || v > m_summary.max[axis]) m_summary.max[axis] = v;
    }
    ++m_summary.count;
    m_file.Commit(kPointBytes);
}

void LasFileWriter::StoreZAgain() {
    double offset = 0.0, scale = kScale;
    if (!m_zIsDistance || !FitZ(m_zLo, m_zHi, offset, scale)) {
        m_refusal = m_zIsDistance
                        ? "the points lie from " + Metres(m_zLo) + " to " + Metres(m_zHi) +
                              " along the pipe, more than LAS coordinates (32-bit integers) "
                              "can hold in one file even in steps of 1 m"
                        : UnstorableReason(m_firstHeld, m_summary, m_frame);
        m_failed = true;
        return;
    }
    m_summary.offset[2] = offset;
    m_summary.scale[2] = scale;
    std::vector<std::uint8_t> block(kBufferPoints * kPointBytes);
    for (std::uint64_t first = 0; first < m_summary.count; first += kBufferPoints) {
        const std::size_t n = static_cast<std::size_t>(
            std::min<std::uint64_t>(kBufferPoints, m_summary.count - first));
        const std::uint64_t at = m_pointsAt + first * kPointBytes;
        if (!m_file.ReadAt(at, block.data(), n * kPointBytes)) return; // the file's error
        for (std::size_t i = 0; i < n; ++i) {
            std::uint8_t* point = block.data() + i * kPointBytes;
            double distance;
            std::memcpy(&distance, point + 34, sizeof distance);
            std::int32_t z = 0;
            Quantise(distance - offset, scale, z);
            Put(point + 8, z);
            const double v = z * scale + offset;
            if ((first == 0 && i == 0) || v < m_summary.min[2]) m_summary.min[2] = v;
            if ((first == 0 && i == 0) || v > m_summary.max[2]) m_summary.max[2] = v;
        }
        m_file.WriteAt(at, block.data(), n * kPointBytes);
    }
    char text[200];
    std::snprintf(text, sizeof text,
                  "the points lie from %.2f m to %.2f m along the pipe, so the LAS file's Z is "
                  "stored in steps of %g m (each point's distance keeps its full precision)",
                  m_zLo, m_zHi, scale);
    m_note = text;
}

bool LasFileWriter::Finish() {
    if (!m_file.IsOpen()) return false;
    if (m_zHeld && !m_failed) StoreZAgain();
    const std::time_t now = std::time(nullptr);
    std::tm utc{};
    gmtime_r(&now, &utc);
    const bool given = m_identity.year != 0 && m_identity.dayOfYear != 0;
    const auto header = EncodeHeaderFor(
        m_summary, given ? m_identity.year : static_cast<std::uint16_t>(utc.tm_year + 1900),
        given ? m_identity.dayOfYear : static_cast<std::uint16_t>(utc.tm_yday + 1), m_identity,
        WktOf(m_frame.wkt));
    m_file.WriteAt(0, header.data(), header.size());
    return m_file.Close() && !m_failed;
}

} // namespace las
