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
    f.date = doc.m_date;
    f.time = doc.m_time;
    f.millis = doc.m_millis;
    // While playing, the record being copied decides, not the operator's
    // present orientation setting, so a copy keeps what was recorded.
    f.prdInput = doc.m_playback == 1 ? doc.m_recordedPrdInput : doc.m_settings.m_enablePRDInput;
    f.scanDirection = doc.m_scanDirection;
    f.xdcrFwdAft = doc.m_settings.m_xdcrFwdAft;
    f.sectorMode = doc.m_settings.m_sectorMode;
    f.command = doc.m_command;
    f.trainBearing = doc.m_trainBearing;
    f.zeroUpDown = doc.m_settings.m_zeroUpDown;
    f.soundVelocity = doc.m_settings.m_soundVelocity;
    f.pingPeriod = doc.m_pingPeriod;
    f.extPitchValid = doc.m_extPitchValid;
    f.extRollValid = doc.m_extRollValid;
    f.extDistanceValid = doc.m_extDistanceValid;
    f.extPitch = doc.m_extPitch;
    f.extRoll = doc.m_extRoll;
    f.extDistance = doc.m_extDistance;
    f.header = doc.m_reply.header;
    std::copy_n(doc.m_reply.samples.begin(), kSampleCount, f.samples.begin());
    return f;
}

Record BuildRecord(const CTubescanDoc& doc) {
    return EncodeRecord(RecordFieldsOf(doc));
}

void ApplySettings(CTubescanDoc& doc, const RecordSettings& s) {
    auto& cmd = doc.m_command;
    if (const int count = SampleCountOfCode(s.sampleCode); count >= 0) doc.m_dataPoints = count;
    doc.m_play.recordLength = s.length;

    AssignStampText(doc.m_date, s.date, 19);
    AssignStampText(doc.m_time, s.time, 19);
    AssignStampText(doc.m_millis, s.millis, 9);

    doc.m_recordedPrdInput = s.orientationInput ? 1 : 0;

    doc.m_prevScanDirection = doc.m_scanDirection;
    doc.m_scanDirection = (s.modeByte >> 7) & 1;
    doc.m_settings.m_sonarUpDown = (s.modeByte >> 6) & 1;
    doc.m_settings.m_xdcrFwdAft = doc.m_settings.m_sonarUpDown == 0 ? 1 : 0;
    doc.m_settings.m_sectorMode = (s.modeByte >> 3) & 7;
    cmd[kCmdStepSize] = CodeToStep(s.modeByte & 7);

    cmd[kCmdGain] = s.gain;
    doc.m_settings.m_gain = s.gain;
    cmd[kCmdSectorWidth] = s.sectorWidth;
    doc.m_trainBearing = s.trainThirds * 3;
    cmd[kCmdRangeCode] = s.rangeCode;
    doc.m_settings.m_rangeIndex = RangeCodeToIndex(s.rangeCode);
    doc.m_settings.m_range = kRangeTable[static_cast<std::size_t>(doc.m_settings.m_rangeIndex)];
    cmd[kCmdAbsorption] = s.absorption;
    doc.m_settings.m_absorption = s.absorption;

    switch ((s.widthByte >> 3) & 7) {
    case 0:
        cmd[kCmdDataWidth] = 4;
        break;
    case 1:
        cmd[kCmdDataWidth] = 8;
        break;
    case 2:
        cmd[kCmdDataWidth] = 16;
        break;
    default:
        break;
    }
    cmd[kCmdByte9] = s.widthByte & 7;
    doc.m_settings.m_zeroUpDown = (s.widthByte >> 6) & 1;

    doc.m_pingPeriod = s.pingPeriod / 100.0;
    cmd[kCmdPulseLength] = s.pulseLength;
    doc.m_settings.m_pulseLength = s.pulseLength;
    cmd[kCmdByte22] = 0;

    // A value that is not a number (or, for the angles, not an angle) would
    // travel into the beam angle and the exported points: it is taken as
    // missing instead.
    auto take = [](float value, double limit, int flag, double& field, int& valid) {
        const bool usable = std::isfinite(value) && std::fabs(value) <= limit;
        field = usable ? value : 0.0;
        valid = usable ? flag : 0;
    };
    take(s.extPitch, orientation::kMaxPitch, s.orientationFlags & 1, doc.m_extPitch,
         doc.m_extPitchValid);
    take(s.extRoll, orientation::kMaxRoll, s.orientationFlags & 2, doc.m_extRoll,
         doc.m_extRollValid);
    take(s.extDistance, orientation::kMaxDistance, s.orientationFlags & 4, doc.m_extDistance,
         doc.m_extDistanceValid);
    // Z and the figures keep the last valid distance through a garbled one.
    if (doc.m_extDistanceValid) doc.m_pingDistance = doc.m_extDistance;
}

} // namespace record
