// The orientation sensor's text record: 37 characters from a "$", with pitch,
// roll and distance at fixed positions. Each field is checked character by
// character on its own, so one garbled field never costs the other two.
//
//   0      6     11    16     22    27       35
//   $PRD,P+12.3,ROL,-001.5,DST,+0012.50\r\n
//
// Characters outside the three fields are not looked at.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace orientation {

inline constexpr std::size_t kRecordLength = 37;

// One rule for what a pitch, roll or distance may be, wherever a record comes
// from (the sensor live, a played file): an angle beyond these is no reading.
inline constexpr double kMaxPitch = 90.0;
inline constexpr double kMaxRoll = 180.0;
inline constexpr double kMaxDistance = 1.0e9;
inline bool PitchUsable(double v) {
    return v >= -kMaxPitch && v <= kMaxPitch;
}
inline bool RollUsable(double v) {
    return v >= -kMaxRoll && v <= kMaxRoll;
}
inline bool DistanceUsable(double v) {
    return v >= -kMaxDistance && v <= kMaxDistance;
}

struct Field {
    double value = 0.0; // 0 when the field is malformed
    bool valid = false;
};

struct Record {
    Field pitch;    // degrees
    Field roll;     // degrees
    Field distance; // metres travelled along the pipe
};

// The first "$" in bytes decides: when the 37 bytes from it were all received
// (and none of them is a zero byte, which marks the end of what was read) the
// record is returned with each field parsed or marked invalid; otherwise
// nullopt, and the caller keeps the values it had.
std::optional<Record> ParseOrientationBuffer(std::span<const std::uint8_t> bytes);

// The newest complete record in bytes: from the last "$" that has all 37
// bytes after it. *end is set to the offset just past it (what has been
// used); nullopt when no "$" has its record complete, or when the newest
// one holds a zero byte.
std::optional<Record> ParseNewestOrientationRecord(std::span<const std::uint8_t> bytes,
                                                   std::size_t* end);

// How fast the carrier can take the head along the pipe, in m/s, unless the
// settings say otherwise: a distance step faster than this is a glitch of
// the sensor or its line, not travel.
inline constexpr double kDefaultCarrierTopSpeed = 2.0;

// The sensor's values between its records: each field's last two valid
// readings with the times they arrived, so a ping gets a value that moves
// with it rather than one that jumps once a poll.
class Track {
  public:
    enum Which { Pitch = 0, Roll = 1, Distance = 2 };
    void Reset() {
        m_fields = {};
        m_jump = {};
    }
    // A record's fields as the program takes them (offsets applied); the
    // invalid ones are left out. A distance further from the last one taken
    // than a carrier at topSpeed (m/s) could travel in between is left out
    // too, and false returned: the distance is held. Readings that keep to a
    // new level on their own for kRelevelSeconds are taken as the counter
    // having been set anew.
    bool Add(double seconds, const Record& record, double topSpeed = kDefaultCarrierTopSpeed);
    // The value at `seconds`, always within the last two readings: pitch and
    // roll are interpolated between them and held past the newest. The
    // distance runs from the older reading to the newer over the interval
    // after the newer one arrived, then is held: it trails the head by one
    // poll but never overshoots a stop or leaves what was read. Invalid when
    // no reading was ever valid.
    Field At(double seconds, Which which) const;
    // The newest reading taken (invalid before the first).
    Field Newest(Which which) const;

    static constexpr double kRelevelSeconds = 5.0;

  private:
    struct Readings {
        double t0 = 0.0, v0 = 0.0, t1 = 0.0, v1 = 0.0;
        int count = 0;
    };
    // Readings at a level the distance could not have stepped to: where it
    // began and the newest of them.
    struct Jump {
        double since = 0.0, t = 0.0, v = 0.0;
        bool active = false;
    };
    bool TakeDistance(double seconds, double value, double topSpeed);
    std::array<Readings, 3> m_fields{};
    Jump m_jump{};
};

} // namespace orientation
