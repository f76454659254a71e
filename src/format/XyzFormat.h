// Profile point maths and the three texts a profile point is written as: the
// ".xyz" file line and the XYZ and range/bearing ("PRD") datagrams. Pure and
// locale-free: the numbers always use "." whatever LC_NUMERIC says, so a
// listener or a later import never sees a comma for a decimal point.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace xyz {

// The program has always converted degrees with this value of pi; keeping it
// keeps the output identical to files converted before.
inline constexpr double kPi = 3.1415926;

// Longest datagram texts, before the CR LF that ends every datagram.
inline constexpr std::size_t kMaxXyzDatagramText = 256;
inline constexpr std::size_t kMaxPrdDatagramText = 512;

struct ProfilePoint {
    double theta = 0.0; // degrees, 0 <= theta < 360 for bearings in [0, 720)
    float s = 0.0f;     // nominal range in metres (at 1500 m/s)
    double r = 0.0;     // range corrected to the set speed of sound, metres
    float x = 0.0f, y = 0.0f, z = 0.0f;
    double prdBearing = 0.0; // bearing folded below 360 for the PRD datagram
};

// distance: image pixels at `zoom`; bearing: degrees clockwise from up.
// extDistance: the orientation sensor's distance, which is the point's Z.
ProfilePoint ComputeProfilePoint(double distance, double bearing, double zoom, double range,
                                 double soundVelocity, double extDistance);

// C's "% 7.3f" and "%.3f", appended to out, independent of the locale.
// Negative zero keeps its sign; nan and inf print as the C library prints them.
void AppendSignSpace7(std::string& out, double value);
void AppendFixed3(std::string& out, double value);

// The file's time stamp: date TAB time "." millis. The datagrams' stamp:
// date "," time "." millis.
void BuildFileStamp(std::string& out, std::string_view date, std::string_view time,
                    std::string_view millis);
void BuildDatagramStamp(std::string& out, std::string_view date, std::string_view time,
                        std::string_view millis);

// One ".xyz" line, CR LF included (the file is a DOS text file wherever it is
// written). Replaces out's contents.
void BuildXyzFileLine(std::string& out, std::string_view stamp, const ProfilePoint& p);
// The most bytes a line takes after its stamp (three numbers, CR LF).
inline constexpr std::size_t kMaxXyzLineNumbers = 3 * 338 + 2;
// The same line written at out, which has room for stamp.size() +
// kMaxXyzLineNumbers bytes (a converter writes it straight into its file's
// buffer); returns its end.
char* PutXyzFileLine(char* out, std::string_view stamp, const ProfilePoint& p);

// Datagram payloads: the text cut to its limit, then CR LF; no NUL.
// Replace out's contents.
void BuildXyzDatagram(std::string& out, std::string_view stamp, const ProfilePoint& p);
void BuildPrdDatagram(std::string& out, std::string_view stamp, double pitchAvg, double rollAvg,
                      const ProfilePoint& p);

} // namespace xyz
