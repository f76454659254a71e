// The texts of the diagnostics window, line by line, without the window: what
// the last return header reported and what the program is sending now. A line
// is rewritten only when its text changes, and each line remembers whether it
// has been written since the last reset, so a genuine 0 (status byte, pitch or
// roll word) shows as 0 instead of passing for "nothing yet".
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

class CTubescanDoc;

namespace diag {

enum Row : int {
    kHeader,
    kStatus,
    kRange,
    kGain,
    kSectorSize,
    kTrainAngle,
    kHeadPos,
    kDataBytes,
    kProfile,
    kFrequency,
    kAbsorption,
    kPulseLen,
    kSendDelay,
    kSoundV,
    kIpAddress,
    kPitch,
    kRoll,
    kPingRate,
    kLoopTime,
    kRowCount
};

struct RowLayout {
    const char* label;
    int id; // the value field's control id
};
// Labels and value-field ids in window order.
const std::array<RowLayout, kRowCount>& RowLayouts();

inline constexpr const char* kNotAvailable = ":   n/a";
inline constexpr const char* kInitialText = ":";

// The document values the window shows, read in one go (under the ping lock,
// since the acquisition thread writes the ping fields).
struct Source {
    std::string signature; // empty until a return header was decoded
    int status = 0;
    int rangeIndex = 0;
    int units = 0;
    int gain = 0;
    int sectorCode = 0; // head command byte 12, 3-degree units
    int trainBearing = 0;
    int headPosition = 0;
    int dataBytes = 0;
    int profileRange = -1; // of the ping processed last; negative: none yet
    int frequency = 0;
    int absorption = 0;
    int pulseLength = 0;
    int sendDelay = 0;
    double soundVelocity = 0.0;
    std::string ipAddress;
    int sonarType = 1;
    bool playback = false;
    double pitchAvg = 0.0, rollAvg = 0.0;
    double pingPeriod = 0.0; // ms
    double loopTime = 0.0;   // ms
};
Source ReadSource(CTubescanDoc& doc);

// One line's text for the current values. Returns false when the line is not
// to be touched now: ping lines before any ping, the send delay and the
// address during playback (they keep their last real-time values), and the
// address for the other head model.
bool FormatRow(Row row, const Source& s, std::string& text);

class Rows {
  public:
    Rows() { Reset(); }
    // Every line but the two rate lines back to "n/a", none written.
    void Reset();
    // Rows whose text changed, in window order; their texts are updated.
    std::vector<Row> Refresh(const Source& s);

    const std::string& Text(Row row) const { return m_rows[row].text; }
    bool Written(Row row) const { return m_rows[row].written; }

  private:
    struct Line {
        std::string text = kInitialText;
        bool written = false;
    };
    std::array<Line, kRowCount> m_rows;
};

} // namespace diag
