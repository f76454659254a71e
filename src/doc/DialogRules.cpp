#include "doc/DialogRules.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <mutex>

#include "doc/TubescanDoc.h"
#include "format/NumberText.h"

namespace dlg {

namespace {

constexpr double kFoot = 0.3048;
constexpr double kPipeMin = kPipeMinMetres;
constexpr double kPipeMax = kPipeMaxMetres;
// Limits are compared with a little room, so a value typed at a limit in
// feet or inches is not refused for the last bit of a conversion.
constexpr double kSlack = 1e-9;

// To the nearest multiple of 1/scale; dividing by the exact scale gives the
// double nearest the decimal, the one the text shows.
double RoundTo(double value, double scale) {
    return std::round(value * scale) / scale;
}

int Units(int units) {
    return std::clamp(units, 0, 2);
}

// Steps per unit: a tenth of an inch, a hundredth of a foot or metre.
double UnitScale(int units) {
    return Units(units) == 2 ? 10.0 : 100.0;
}

} // namespace

std::optional<double> ParseNumber(std::string_view text, std::string_view suffix) {
    text = Trim(text, " \t\r\n");
    if (!suffix.empty() && text.size() >= suffix.size() &&
        text.substr(text.size() - suffix.size()) == suffix)
        text = Trim(text.substr(0, text.size() - suffix.size()), " \t\r\n");
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    // Digits and one point only: no exponent, no words such as "inf".
    if (text.empty() || text.find_first_not_of("0123456789.") != std::string_view::npos ||
        text.find_first_of("0123456789") == std::string_view::npos)
        return std::nullopt;
    double value = 0.0;
    const auto [end, error] =
        std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::fixed);
    if (error != std::errc{} || end != text.data() + text.size() || !std::isfinite(value))
        return std::nullopt;
    return negative ? -value : value;
}

// --- Speed of sound ----------------------------------------------------------

std::optional<double> AcceptSoundVelocity(std::string_view text) {
    const auto value = ParseNumber(text);
    if (!value || *value < 1400.0 || *value > 1600.0) return std::nullopt;
    return std::clamp(RoundTo(*value, 10.0), 1400.0, 1600.0);
}

double SoundVelocitySpin(double value, int delta) {
    if ((delta > 0 && value >= 1600.0) || (delta < 0 && value <= 1400.0)) return value;
    return std::clamp(RoundTo(value + 0.1 * delta, 10.0), 1400.0, 1600.0);
}

int SoundVelocitySpinPosition(double value) {
    return static_cast<int>(std::clamp((value - 1400.0) * 10.0, 0.0, 2000.0));
}

std::string SoundVelocityText(double value) {
    return FormatFixed(value, 1);
}

void ApplySoundVelocity(CTubescanDoc& doc, double value) {
    std::lock_guard lock(doc.PingMutex());
    doc.Settings().m_soundVelocity = value;
}

// --- Profile minimum range ---------------------------------------------------

std::optional<double> AcceptMinRange(std::string_view text) {
    const auto value = ParseNumber(text);
    if (!value || *value < 0.0 || *value > 2.5) return std::nullopt;
    return std::clamp(RoundTo(*value, 100.0), 0.0, 2.5);
}

double MinRangeSpin(double value, int delta) {
    if ((delta > 0 && value >= 2.5) || (delta < 0 && value <= 0.0)) return value;
    return std::clamp(RoundTo(value + 0.01 * delta, 100.0), 0.0, 2.5);
}

int MinRangeSpinPosition(double value) {
    return static_cast<int>(std::clamp(std::round(value * 100.0), 0.0, 250.0));
}

std::uint8_t MinRangeCentimetres(double value) {
    if (!std::isfinite(value)) return 0;
    return static_cast<std::uint8_t>(std::clamp(std::round(value * 100.0), 0.0, 250.0));
}

std::string MinRangeText(double value) {
    return FormatFixed(value, 2);
}

void ApplyMinRange(CTubescanDoc& doc, double value) {
    std::lock_guard lock(doc.PingMutex());
    doc.Settings().m_profileMinRange = value;
    doc.SetCommandByte(headproto::kCmdProfileMinRange, MinRangeCentimetres(value));
}

// --- The one-value setup dialogs -----------------------------------------------

const ValueRules kSoundVelocityRules{
    .objectName = "141",
    .title = "Input Sound Velocity",
    .label = "Sound Velocity:",
    .editId = 1011,
    .unit = "m/s",
    .spinId = 1012,
    .centred = true,
    .withoutDocument = kSoundVelocityDefault,
    .byDefault = kSoundVelocityDefault,
    .spinHigh = 2000,
    .refusal = kSoundVelocityMessage,
    .read = [](const CTubescanDoc& doc) { return doc.Settings().m_soundVelocity; },
    .text = SoundVelocityText,
    .spinPosition = SoundVelocitySpinPosition,
    .spin = SoundVelocitySpin,
    .accept = AcceptSoundVelocity,
    .store = ApplySoundVelocity,
    // The speed of sound of a recording is the recording's.
    .spinTaken = [](const CTubescanDoc& doc) { return doc.Run().m_playback == 0; },
};

const ValueRules kMinRangeRules{
    .objectName = "151",
    .title = "Set Profile Minimum Range:",
    .label = "Profile Minimum Range:",
    .editId = 1073,
    .unit = "m",
    .spinId = 1076,
    .centred = false,
    .withoutDocument = 0.0,
    .byDefault = 0.0,
    .spinHigh = 250,
    .refusal = kMinRangeMessage,
    .read = [](const CTubescanDoc& doc) { return doc.Settings().m_profileMinRange; },
    .text = MinRangeText,
    .spinPosition = MinRangeSpinPosition,
    .spin = MinRangeSpin,
    .accept = AcceptMinRange,
    .store = ApplyMinRange,
    // The spin is a live preview: each click reaches the next head command.
    .preview = ApplyMinRange,
};

// --- Pipe lengths ------------------------------------------------------------

double MetresToUnit(double metres, int units) {
    switch (Units(units)) {
    case 1:
        return metres / kFoot;
    case 2:
        return metres * 12.0 / kFoot;
    default:
        return metres;
    }
}

double UnitToMetres(double value, int units) {
    switch (Units(units)) {
    case 1:
        return value * kFoot;
    case 2:
        return value * kFoot / 12.0;
    default:
        return value;
    }
}

std::string UnitCaption(int units) {
    static constexpr const char* kCaptions[] = {"Input in Meters", "Input in Feet",
                                                "Input in Inches"};
    return kCaptions[Units(units)];
}

namespace {
const char* UnitSuffix(int units) {
    static constexpr const char* kSuffixes[] = {"m", "'", "''"};
    return kSuffixes[Units(units)];
}
} // namespace

std::string LengthText(double metres, int units) {
    const int decimals = Units(units) == 2 ? 1 : 2;
    return FormatFixed(MetresToUnit(metres, units), decimals) + " " + UnitSuffix(units);
}

std::string PipeLengthMessage(int units) {
    const int decimals = Units(units) == 2 ? 1 : 2;
    // The shown limits are rounded inwards, so a value typed at a shown
    // limit is always accepted.
    const double scale = UnitScale(units);
    const double low = std::ceil(MetresToUnit(kPipeMin, units) * scale - kSlack) / scale;
    const double high = std::floor(MetresToUnit(kPipeMax, units) * scale + kSlack) / scale;
    return "Wrong Input!!! Make sure the input is between " + FormatFixed(low, decimals) + " and " +
           FormatFixed(high, decimals) + " " + UnitSuffix(units) + "   ";
}

std::optional<double> AcceptPipeLength(std::string_view text, int units) {
    // The edit shows the unit after the number; it may stay there.
    auto value = ParseNumber(text, UnitSuffix(units));
    if (!value) return std::nullopt;
    const double metres = UnitToMetres(*value, units);
    if (metres < kPipeMin - kSlack || metres > kPipeMax + kSlack) return std::nullopt;
    return std::clamp(metres, kPipeMin, kPipeMax);
}

double PipeLengthSpin(double metres, int units, int delta) {
    if ((delta > 0 && metres >= kPipeMax - kSlack) || (delta < 0 && metres <= kPipeMin + kSlack))
        return metres;
    const double scale = UnitScale(units);
    // On the grid of the shown unit first, so the shown value moves by one
    // step exactly however the length got its last digits.
    const double shown = (std::round(MetresToUnit(metres, units) * scale) + delta) / scale;
    return std::clamp(UnitToMetres(shown, units), kPipeMin, kPipeMax);
}

int PipeSpinPosition(double metres, int high) {
    return static_cast<int>(std::clamp(metres * 100.0, 10.0, static_cast<double>(high)));
}

// --- Head address --------------------------------------------------------------

std::optional<Quad> ParseDottedQuad(std::string_view text) {
    text = Trim(text, " \t\r\n");
    Quad quad{};
    for (std::size_t i = 0; i < 4; ++i) {
        const std::size_t dot = text.find('.');
        const std::string_view group = i < 3 ? text.substr(0, dot) : text;
        if ((i < 3 && dot == std::string_view::npos) || group.empty() || group.size() > 3 ||
            group.find_first_not_of("0123456789") != std::string_view::npos)
            return std::nullopt;
        int value = 0;
        std::from_chars(group.data(), group.data() + group.size(), value);
        if (value > 255) return std::nullopt;
        quad[i] = static_cast<std::uint8_t>(value);
        if (i < 3) text.remove_prefix(dot + 1);
    }
    return quad;
}

std::string QuadText(const Quad& quad) {
    return std::to_string(quad[0]) + "." + std::to_string(quad[1]) + "." + std::to_string(quad[2]) +
           "." + std::to_string(quad[3]);
}

} // namespace dlg
