#include "doc/RecordBinding.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "format/OrientationRecord.h"

namespace record {

using namespace headproto;

namespace {

// A stamp text as far as its first NUL, and never longer than the program's
// stamp fields have always held (19 characters, 9 for the milliseconds).
void AssignStampText(std::string& field, const std::string& text, std::size_t limit) {
    // These texts are a few characters long and come with every record: a
    // plain loop finds their end sooner than a library call would.
    const std::size_t most = std::min(text.size(), limit);
    std::size_t length = 0;
    while (length < most && text[length] != '\0')
        ++length;
    // Date and time stay the same for many records in a row.
    if (field.size() != length || std::memcmp(field.data(), text.data(), length) != 0)
        field.assign(text, 0, length);
}

} // namespace

RecordFields RecordFieldsOf(const CTubescanDoc& doc) {
    RecordFields f;
    f.date = doc.Frame().m_date;
    f.time = doc.Frame().m_time;
    f.millis = doc.Frame().m_millis;
    // While playing, the record being copied decides, not the operator's
    // present orientation setting, so a copy keeps what was recorded.
    f.prdInput = doc.Run().m_playback == 1 ? int{doc.RecordedOrientationInput()}
                                           : doc.Settings().m_enablePRDInput;
    f.scanDirection = doc.Run().m_scanDirection;
    f.xdcrFwdAft = doc.Settings().m_xdcrFwdAft;
    f.sectorMode = doc.Settings().m_sectorMode;
    f.command = doc.Command();
    f.trainBearing = doc.Run().m_trainBearing;
    f.zeroUpDown = doc.Settings().m_zeroUpDown;
    f.soundVelocity = doc.Settings().m_soundVelocity;
    f.pingPeriod = doc.Run().m_pingPeriod;
    const ExternalSensors sensors = doc.Sensors();
    f.extPitchValid = sensors.pitchValid;
    f.extRollValid = sensors.rollValid;
    f.extDistanceValid = sensors.distanceValid;
    f.extPitch = sensors.pitch;
    f.extRoll = sensors.roll;
    f.extDistance = sensors.distance;
    f.header = doc.Frame().m_reply.header;
    std::copy_n(doc.Frame().m_reply.samples.begin(), kSampleCount, f.samples.begin());
    return f;
}

Record BuildRecord(const CTubescanDoc& doc) {
    return EncodeRecord(RecordFieldsOf(doc));
}

void ApplySettings(CTubescanDoc& doc, const RecordSettings& s) {
    const auto cmd = [&doc](CommandByte index, std::uint8_t value) {
        doc.SetCommandByte(index, value);
    };
    // Every record writes its settings; the settings pings are processed
    // with are rebuilt only when one of theirs really changes.
    SonarSettings& set = doc.SettingsOfThePing();
    bool pingSettingsChanged = false;
    auto keep = [&pingSettingsChanged](auto& field, auto value) {
        if (field == value) return;
        field = value;
        pingSettingsChanged = true;
    };
    if (const int count = SampleCountOfCode(s.sampleCode); count >= 0)
        doc.Run().m_dataPoints = count;
    doc.PlaybackFile().recordLength = s.length;

    AssignStampText(doc.Frame().m_date, s.date, 19);
    AssignStampText(doc.Frame().m_time, s.time, 19);
    AssignStampText(doc.Frame().m_millis, s.millis, 9);

    doc.SetRecordedOrientationInput(s.orientationInput != 0);

    doc.Run().m_prevScanDirection = doc.Run().m_scanDirection;
    doc.Run().m_scanDirection = (s.modeByte >> 7) & 1;
    keep(set.m_sonarUpDown, (s.modeByte >> 6) & 1);
    keep(set.m_xdcrFwdAft, set.m_sonarUpDown == 0 ? 1 : 0);
    set.m_sectorMode = (s.modeByte >> 3) & 7;
    cmd(kCmdStepSize, CodeToStep(s.modeByte & 7));

    cmd(kCmdGain, s.gain);
    set.m_gain = s.gain;
    cmd(kCmdSectorWidth, s.sectorWidth);
    doc.Run().m_trainBearing = s.trainThirds * 3;
    cmd(kCmdRangeCode, s.rangeCode);
    set.m_rangeIndex = RangeCodeToIndex(s.rangeCode);
    keep(set.m_range, kRangeTable[static_cast<std::size_t>(set.m_rangeIndex)]);
    cmd(kCmdAbsorption, s.absorption);
    set.m_absorption = s.absorption;

    switch ((s.widthByte >> 3) & 7) {
    case 0:
        cmd(kCmdDataWidth, 4);
        break;
    case 1:
        cmd(kCmdDataWidth, 8);
        break;
    case 2:
        cmd(kCmdDataWidth, 16);
        break;
    default:
        break;
    }
    cmd(kCmdByte9, s.widthByte & 7);
    keep(set.m_zeroUpDown, (s.widthByte >> 6) & 1);

    doc.Run().m_pingPeriod = s.pingPeriod / 100.0;
    cmd(kCmdPulseLength, s.pulseLength);
    keep(set.m_pulseLength, s.pulseLength);
    cmd(kCmdByte22, 0);

    // A value that is not a number (or, for the angles, not an angle) would
    // travel into the beam angle and the exported points: it is taken as
    // missing instead.
    auto take = [](float value, double limit, int flag, double& field, int& valid) {
        const bool usable = std::isfinite(value) && std::fabs(value) <= limit;
        field = usable ? value : 0.0;
        valid = usable ? flag : 0;
    };
    ExternalSensors sensors;
    take(s.extPitch, orientation::kMaxPitch, s.orientationFlags & 1, sensors.pitch,
         sensors.pitchValid);
    take(s.extRoll, orientation::kMaxRoll, s.orientationFlags & 2, sensors.roll, sensors.rollValid);
    take(s.extDistance, orientation::kMaxDistance, s.orientationFlags & 4, sensors.distance,
         sensors.distanceValid);
    doc.SetSensors(sensors);
    // Z and the figures keep the last valid distance through a garbled one.
    if (sensors.distanceValid) doc.Frame().m_pingDistance = sensors.distance;
    if (pingSettingsChanged) doc.PingSettingsChanged();
}

} // namespace record
