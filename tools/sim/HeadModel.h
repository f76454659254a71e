// The simulated head: a profiling sonar head in a pipe. It answers each head
// command with one return record, the way the real head does: it turns its
// transducer by the commanded step within the commanded sector (or all the
// way round), pings at the new angle and returns the head position, the range
// of the nearest surface along the beam, its own pitch and roll, and 250 echo
// samples. Plain C++ so the tests can check it without a socket.
#pragma once

#include <array>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "format/HeadProtocol.h"

namespace sim {

enum class PipeShape { Circle, HorseShoe };

// A feature that holds between two distances along the pipe.
struct Stretch {
    double from = 0.0, to = 0.0; // metres along the pipe
    double value = 0.0;
};

struct PipeParams {
    PipeShape shape = PipeShape::Circle;
    double diameter = 1.0;     // metres (the width of a horse-shoe)
    double height = 0.0;       // horse-shoe crown to invert, metres; 0: same as width
    double offsetX = 0.05;     // head position from the pipe centre, metres, right
    double offsetY = -0.08;    // and up
    double ovality = 0.0;      // width grows and height shrinks by this fraction
    double debrisHeight = 0.0; // mound on the invert, metres
    double debrisWidth = 0.4;  // its width at the base, metres
    double waterLevel = 1.0;   // fraction of the pipe height under water; 1: full
    double swayPitch = 2.0;    // degrees
    double swayRoll = 3.0;     // degrees
    double swayPeriod = 20.0;  // seconds
    // The true speed of sound in the pipe's water, m/s. The head reports
    // every range as if it were 1500 m/s (reported = true x 1500 / this).
    double soundVelocity = 1500.0;
    // The head travels along the pipe at this speed from distance 0 (the
    // distance the orientation sensor reports); the stretches replace the
    // ovality and the debris height while the head is inside them.
    double travelSpeed = 0.02; // metres per second
    // Where along the pipe the head starts and which way it goes (+1 on to
    // larger distances, -1 back), and how long its odometer reads: the
    // distance reported is odometerScale x the distance travelled.
    double startAt = 0.0;
    double travelDirection = 1.0;
    double odometerScale = 1.0;
    std::vector<Stretch> ovalStretches, debrisStretches;
    // A flat sediment surface `value` metres above the invert, and the head
    // pitched `value` degrees against the pipe (on top of the sway), while
    // the head is between the distances.
    std::vector<Stretch> layerStretches, pitchStretches;
    double noise = 8.0; // peak noise level in sample units
    unsigned seed = 1;
};

// The speed the head assumes for the ranges it reports.
inline constexpr double kHeadSpeed = 1500.0;

struct Point {
    double x = 0.0, y = 0.0;
};

// The head's mechanical angle in degrees clockwise from up, as the position
// word encodes it (0.3 degrees per count, 600 counts = straight up).
int AngleToPosition(double degrees);
// 14-bit attitude word with its valid bit, in the encoding the program decodes.
std::uint16_t AttitudeWord(double degrees);
// The orientation sensor's 37-character text record (pitch, roll, distance),
// with CR LF at positions 35 and 36.
std::string OrientationRecord(double pitch, double roll, double distance);

class HeadModel {
  public:
    using Record = std::array<std::uint8_t, headproto::kReturnRecordSize>;

    explicit HeadModel(const PipeParams& params = {});

    // Steps the head as the command says, pings and returns the record.
    // t is the model time in seconds (it drives the sway).
    Record Answer(const headproto::HeadCommand& command, double t);

    // Distance in metres from the head to the nearest surface (wall, debris
    // or water line) along a beam at this angle; negative when there is none.
    double SurfaceRange(double beamDegrees, bool* isWater = nullptr) const;

    // Metres of range before the head's first sample (pulse and receive
    // delay, less the 10 microseconds the head counts from).
    double ReceiveOffset(const headproto::HeadCommand& command) const;

    double Angle() const { return m_angle; }
    int Direction() const { return m_direction; } // 1 clockwise, 0 anticlockwise
    // What the odometer reads at time t, and where along the pipe the head is.
    double Distance(double t) const { return m_p.odometerScale * m_p.travelSpeed * t; }
    double Position(double t) const {
        return m_p.startAt + m_p.travelDirection * m_p.travelSpeed * t;
    }
    // Moves the head to distance d along the pipe: the wall takes the
    // ovality and debris of that place.
    void MoveTo(double d);
    double Ovality() const { return m_ovality; }
    double DebrisHeight() const { return m_debrisHeight; }
    double LayerDepth() const { return m_layer; }
    double Pitch(double t) const;
    double Roll(double t) const;
    const std::vector<Point>& Outline() const { return m_outline; }

  private:
    void Step(const headproto::HeadCommand& command);
    void BuildOutline();

    PipeParams m_p;
    std::vector<Point> m_outline;                 // closed polygon of the wall, pipe coordinates
    double m_waterY = 1e9;                        // water surface height; above the crown when full
    double m_ovality = 0.0, m_debrisHeight = 0.0; // of the wall in m_outline
    double m_layer = 0.0;                         // flat sediment above the invert
    double m_tilt = 0.0; // degrees the scan plane is pitched against the pipe at the last ping
    double m_angle = 0.0;
    int m_direction = 1;
    std::mt19937 m_rng;
};

} // namespace sim
