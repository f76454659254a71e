#include "doc/ParameterSteps.h"

#include <algorithm>
#include <cstdio>

#include "doc/TubescanDoc.h"
#include "format/NumberText.h"

using namespace headproto;

namespace params {

namespace {

void SetRangeIndex(CTubescanDoc& doc, int index) {
    doc.Settings().m_rangeIndex = std::clamp(index, 0, 9);
    doc.Settings().m_range = kRangeTable[static_cast<std::size_t>(doc.Settings().m_rangeIndex)];
    doc.SetCommandByte(kCmdRangeCode,
                       static_cast<std::uint8_t>(RangeToCode(doc.Settings().m_range)));
}

// The box reads at most 15 characters of what was typed.
std::string_view Typed(std::string_view text) {
    return text.substr(0, 15);
}

} // namespace

void RangeStep(CTubescanDoc& doc, int delta) {
    if (doc.Run().m_playback) return;
    // Even at a limit the image is cleared: the operator asked for a change.
    SetRangeIndex(doc, doc.Settings().m_rangeIndex + delta);
    doc.Display().m_clearOnChange = 1;
    doc.OnParametersChanged();
}

void GainStep(CTubescanDoc& doc, int delta) {
    if (doc.Run().m_playback) return;
    if (delta > 0)
        doc.Settings().m_gain = static_cast<std::uint8_t>(std::min(doc.Settings().m_gain + 1, 40));
    else if (doc.Settings().m_gain != 0)
        doc.Settings().m_gain = static_cast<std::uint8_t>(doc.Settings().m_gain - 1);
    doc.SetCommandByte(kCmdGain, doc.Settings().m_gain);
    doc.OnParametersChanged();
}

void SectorStep(CTubescanDoc& doc, int steps) {
    if (doc.Run().m_playback) return;
    int code = doc.Command()[kCmdSectorWidth] + 3 * steps;
    code = std::clamp(code, 0, 120);
    doc.SetCommandByte(kCmdSectorWidth, static_cast<std::uint8_t>(code));
    doc.Settings().m_sectorWidthPolar = static_cast<std::uint8_t>(code);
    if (code == 120) {
        doc.SetCommandByte(kCmdTrain, 60);
        doc.Settings().m_trainPolar = 60;
        doc.ComputeTrainBearing();
    }
    doc.SaveModeSettings();
    doc.OnParametersChanged();
}

void TrainStep(CTubescanDoc& doc, int steps) {
    if (doc.Run().m_playback) return;
    if (doc.Command()[kCmdSectorWidth] >= 120) return;
    int code = doc.Command()[kCmdTrain];
    code = doc.Settings().m_sonarUpDown == 1 ? code - 3 * steps : code + 3 * steps;
    if (code < 0)
        code = 120;
    else if (code > 120)
        code = 0;
    doc.SetCommandByte(kCmdTrain, static_cast<std::uint8_t>(code));
    doc.ComputeTrainBearing();
    doc.SaveModeSettings();
    doc.OnParametersChanged();
}

bool DiameterStep(CTubescanDoc& doc, int direction) {
    // The keys act while the operator can see what they change.
    if (!doc.Settings().m_displayPipeShape) return false;
    if (direction > 0) {
        doc.Settings().m_circleDiameter += 0.01;
    } else {
        doc.Settings().m_circleDiameter -= 0.01;
        if (doc.Settings().m_circleDiameter < 0.1) doc.Settings().m_circleDiameter = 0.1;
    }
    doc.UpdateAllViews();
    return true;
}

void RangeSpin(CTubescanDoc& doc, int delta) {
    if (doc.Run().m_playback) return;
    const int index = std::clamp(doc.Settings().m_rangeIndex + delta, 0, 9);
    if (index == doc.Settings().m_rangeIndex) return;
    SetRangeIndex(doc, index);
    doc.Display().m_clearOnChange = 1;
    doc.OnParametersChanged();
}

void GainSpin(CTubescanDoc& doc, int delta) {
    if (doc.Run().m_playback) return;
    const int gain = std::clamp(doc.Settings().m_gain + delta, 0, 40);
    if (gain == doc.Command()[kCmdGain]) return;
    doc.Settings().m_gain = static_cast<std::uint8_t>(gain);
    doc.SetCommandByte(kCmdGain, doc.Settings().m_gain);
    doc.OnParametersChanged();
}

void ProfileSpin(CTubescanDoc& doc, int delta) {
    doc.Settings().m_profileDispMode = std::clamp(doc.Settings().m_profileDispMode - delta, 0, 4);
    doc.Display().m_profileMix = ProfileMixFor(doc.Settings().m_profileDispMode);
    doc.OnParametersChanged();
}

void RangeSpinReleased(CTubescanDoc& doc, int spinPosition) {
    if (doc.Run().m_playback) return;
    SetRangeIndex(doc, spinPosition);
    doc.Display().m_clearOnChange = 1;
}

std::string KeyInPrompt(const CTubescanDoc& doc, KeyInKind kind) {
    if (doc.Run().m_playback) return {};
    switch (kind) {
    case KeyInKind::Range:
        return doc.Settings().m_units == 0 ? "Range (0.125, 0.25, 0.5, 0.75, 1,..,6) m"
                                           : "Range (0.375, 0.75, 1.5, 2.25, 3,..,18) ft ";
    case KeyInKind::Gain:
        return "Key In Gain: (0-40dB)";
    case KeyInKind::Sector:
        if (doc.Settings().m_sectorMode == 2) return {};
        return "Key In Sctor Width: (0-360 deg.)";
    case KeyInKind::Train:
        return "Key In Train Angle: (0-351 deg.)";
    }
    return {};
}

bool KeyInEnter(CTubescanDoc& doc, KeyInKind kind, std::string_view text) {
    const std::string_view t = Typed(text);
    if (t.empty()) return false;
    switch (kind) {
    case KeyInKind::Range: {
        double metres = TextToDouble(t);
        if (metres < 0.0) return false;
        if (doc.Settings().m_units != 0) metres /= 3.0;
        const int code = RangeToCode(metres);
        doc.SetCommandByte(kCmdRangeCode, static_cast<std::uint8_t>(code));
        // The range always follows the index, even when the index did not
        // move: the two disagree in a fresh document (index 3, 1 m) and the
        // head would otherwise get a range the panels do not show.
        const int index = RangeCodeToIndex(code);
        doc.Settings().m_rangeIndex = index;
        doc.Settings().m_range = kRangeTable[static_cast<std::size_t>(index)];
        break;
    }
    case KeyInKind::Gain: {
        const int g = TextToInt(t);
        if (g >= 0 && g != doc.Command()[kCmdGain]) {
            doc.Settings().m_gain = static_cast<std::uint8_t>(std::min(g, 40));
            doc.SetCommandByte(kCmdGain, doc.Settings().m_gain);
        }
        break;
    }
    case KeyInKind::Sector: {
        const int s = TextToInt(t);
        if (s < 0) return false;
        // Computed in a wide type so a huge typed number cannot overflow.
        long long code = (static_cast<long long>(s) + 5) / 9 * 3;
        if (code != doc.Command()[kCmdSectorWidth]) {
            code = std::clamp<long long>(code, 0, doc.Settings().m_sectorMode == 0 ? 60 : 120);
            doc.SetCommandByte(kCmdSectorWidth, static_cast<std::uint8_t>(code));
            doc.SaveModeSettings();
        }
        break;
    }
    case KeyInKind::Train: {
        const int tr = TextToInt(t);
        if (tr < 0) return false;
        long long code = (static_cast<long long>(tr) + 5) / 9 * 3;
        if (code > 120) code = 0;
        if (doc.Settings().m_sonarUpDown == 1) code = 120 - code;
        if (code != doc.Command()[kCmdTrain]) {
            doc.SetCommandByte(kCmdTrain, static_cast<std::uint8_t>(code));
            doc.ComputeTrainBearing();
            doc.SaveModeSettings();
        }
        break;
    }
    }
    doc.OnParametersChanged();
    return true;
}

std::string PanelRangeText(const CTubescanDoc& doc) {
    const int index = std::clamp(doc.Settings().m_rangeIndex, 0, 9);
    const bool feet = doc.Settings().m_units == 1 || doc.Settings().m_units == 2;
    const double value = kRangeTable[static_cast<std::size_t>(index)] * (feet ? 3.0 : 1.0);
    return FormatFixed(value, index == 0 ? 3 : 2) + (feet ? " ft" : " m");
}

std::string MiniBarRangeText(const CTubescanDoc& doc) {
    const int index = std::clamp(doc.Settings().m_rangeIndex, 0, 9);
    const bool feet = doc.Settings().m_units == 1 || doc.Settings().m_units == 2;
    const double value = kRangeTable[static_cast<std::size_t>(index)] * (feet ? 3.0 : 1.0);
    return FormatFixed(value, 3) + (feet ? " ft" : " m");
}

std::string GainText(const CTubescanDoc& doc) {
    return std::to_string(doc.Settings().m_gain) + " dB";
}

std::string SectorText(const CTubescanDoc& doc) {
    return std::to_string(doc.Command()[kCmdSectorWidth] * 3) + " deg.";
}

std::string TrainText(const CTubescanDoc& doc) {
    return std::to_string(doc.Run().m_trainBearing) + " deg.";
}

std::string ProfileModeText(int mode) {
    switch (mode) {
    case 0:
        return "Off";
    case 1:
        return "Points Only";
    case 2:
        return "Low Mix";
    case 3:
        return "Medium Mix";
    case 4:
        return "High MIx";
    default:
        return "Off";
    }
}

double ProfileMixFor(int mode) {
    switch (mode) {
    case 1:
        return 0.0;
    case 2:
        return 0.25;
    case 3:
        return 0.5;
    default:
        return 1.0;
    }
}

} // namespace params
