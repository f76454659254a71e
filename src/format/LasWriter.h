// Profile points as an ASPRS LAS 1.4 point cloud, the form CAD and GIS
// programs load. Points are record format 6 (30 bytes: X, Y, Z as integers
// of 0.5 mm, intensity, one return per pulse) followed by extra bytes that an
// Extra Bytes VLR describes: the scan number, the distance along the pipe,
// the echo level and the deviation from the nominal wall.
//
// Coordinates are the head's frame (X right, Y up, Z along the pipe, metres)
// unless the survey is placed in a projected coordinate system (a Frame).
// Record formats 6 and up must carry a WKT coordinate system, so the global
// encoding's WKT bit is set and a WKT VLR declares either that system or a
// local engineering frame in metres: readers then know the units and whether
// the cloud belongs on a map.
#pragma once

#include <array>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <string>
#include <vector>

#include "format/BufferedFile.h"

namespace las {

inline constexpr std::size_t kHeaderBytes = 375;
inline constexpr std::size_t kVlrHeaderBytes = 54;
inline constexpr std::size_t kExtraBytesDescriptor = 192;
inline constexpr std::size_t kCorePointBytes = 30; // record format 6
// scan number (u32), distance along the pipe (f64), echo level (u8),
// deviation from the nominal wall (f64)
inline constexpr std::size_t kExtraBytes = 4 + 8 + 1 + 8;
inline constexpr std::size_t kPointBytes = kCorePointBytes + kExtraBytes;
inline constexpr double kScale = 0.0005;
inline constexpr std::uint16_t kGlobalEncodingWkt = 1u << 4;
// Where the deviation is unknown (no wall echo, no fitted centre) the point
// holds NaN, which its descriptor also names as the no-data value.
inline constexpr double kNoDeviation = std::numeric_limits<double>::quiet_NaN();

struct Point {
    double x = 0.0, y = 0.0, z = 0.0; // metres
    std::uint32_t scan = 0;
    double distance = 0.0; // along the pipe, metres (the Z before rounding)
    std::uint8_t echo = 0;
    double deviation = kNoDeviation; // metres, inward positive
};

// The 32-bit integers at kScale reach this far either side of the offset.
inline constexpr double kReach = 2147483647.0 * kScale;

// Where the coordinates belong, fixed before the first point: a projected
// system's WKT, its unit, and a scale and offset in that unit that hold the
// whole survey. The default is the head's own frame, whose Z offset the
// writer chooses from the points.
struct Frame {
    std::string wkt;        // empty: the local engineering frame
    std::string unit = "m"; // for messages
    std::array<double, 3> scale{kScale, kScale, kScale};
    std::array<double, 3> offset{};
    bool Local() const { return wkt.empty(); }
};

// What the header says about the points written so far.
struct Summary {
    std::uint64_t count = 0;
    std::array<double, 3> min{}, max{}; // of the stored (rounded) coordinates
    // What the stored integers count from: 0 for X and Y (the head's frame);
    // for Z 0 too, unless the file starts so far along the pipe that the
    // survey would not reach far on from there, then the whole kilometre
    // nearest its first point. Where the distances then still do not fit,
    // Z counts from the middle of their span in the finest steps that hold
    // it all (see LasFileWriter::Note).
    std::array<double, 3> offset{};
    std::array<double, 3> scale{kScale, kScale, kScale};
};

// The Z offset for a file whose first point lies at distance z.
double ZOffsetFor(double z);
// What the header says about where the points come from.
struct Identity {
    // Project ID (GUID), the 16 bytes in the order its text form reads;
    // all zero: none.
    std::array<std::uint8_t, 16> projectId{};
    std::string systemIdentifier = "TubescanL profiling sonar"; // at most 32 bytes
    std::string generatingSoftware = "TubescanL";               // at most 32 bytes
    // File creation day of the year (1 to 366) and year; 0: the day the
    // file is finished (UTC).
    std::uint16_t dayOfYear = 0, year = 0;
};

// The public header block for these points and VLR layout, 375 bytes.
std::array<std::uint8_t, kHeaderBytes> EncodeHeader(const Summary& s, std::uint16_t year,
                                                    std::uint16_t dayOfYear,
                                                    const Identity& identity = {});
// Everything between the header and the first point: the WKT VLR and the
// Extra Bytes VLR.
// (A frame's WKT, or the local frame's when empty.)
std::vector<std::uint8_t> EncodeVlrs(const std::string& wkt = {});
// The point as it lies in the file; false when a coordinate does not fit the
// 32-bit integers at this scale from these offsets.
bool EncodePoint(const Point& p, std::uint8_t* out, const std::array<double, 3>& offset = {},
                 const std::array<double, 3>& scale = {kScale, kScale, kScale});

// Streams points to a file through a fixed buffer and writes the header's
// counts and bounds when it is finished.
class LasFileWriter {
  public:
    LasFileWriter() = default;
    ~LasFileWriter();
    LasFileWriter(const LasFileWriter&) = delete;
    LasFileWriter& operator=(const LasFileWriter&) = delete;

    // Creates or truncates path; false with errno's value in *error.
    bool Create(const std::string& path, int* error = nullptr);
    // Where the points belong; set before Create (it stays for later files).
    void SetFrame(const Frame& frame) { m_frame = frame; }
    // Written into the header when the file is finished.
    void SetIdentity(const Identity& identity) { m_identity = identity; }
    void Add(const Point& p);
    // Writes the final header and closes; false when any write failed or a
    // point could not be stored (the file is then incomplete).
    bool Finish();
    std::uint64_t Points() const { return m_summary.count; }
    // Why a point could not be stored, when one could not (empty otherwise):
    // a failed Finish for that reason is no failed write.
    const std::string& Refusal() const { return m_refusal; }
    // What the operator should know of a finished file: where its Z had to
    // be stored in coarser steps than kScale to hold every distance. Empty
    // otherwise.
    const std::string& Note() const { return m_note; }
    // errno's value of the first failed write, 0 when none.
    int WriteError() const { return m_file.Error(); }

  private:
    // In the head's frame, Z is the distance along the pipe, which every
    // point also carries whole in its extra bytes. So a survey whose
    // distances do not all fit from the first point's offset (a glitched
    // odometer reading far beyond the rest) is written with those Z values
    // held open, and its Z is stored again from the file itself once the
    // whole span is known: no second pass over the recording, and every
    // ordinary file stays exactly as it was.
    void StoreZAgain();

    BufferedFile m_file;
    Summary m_summary;
    Identity m_identity;
    Frame m_frame;
    bool m_failed = false; // a point that could not be stored
    std::string m_refusal, m_note;
    std::uint64_t m_pointsAt = 0;    // where the first point lies in the file
    double m_zLo = 0.0, m_zHi = 0.0; // the span of the local frame's Z
    bool m_zIsDistance = true;       // every point's Z is its distance
    bool m_zHeld = false;            // some Z did not fit and waits for the span
    Point m_firstHeld;               // the first of them, for a refusal
};

// A Z offset and scale that hold every distance from lo to hi (metres): the
// whole kilometre nearest the middle of the span, in the finest of 0.5 mm,
// 1 mm, 1 cm, 10 cm and 1 m that reaches both ends. False when none does.
bool FitZ(double lo, double hi, double& offset, double& scale);

} // namespace las
