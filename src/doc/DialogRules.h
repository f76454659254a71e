// What the setup dialogs accept and how their spins move, without windows:
// the speed of sound, the profile minimum range, the pipe overlay's lengths
// and the head's address. Typed text is read whole (surrounding blanks
// aside); anything that is not a plain decimal number is refused rather than
// read as 0. Spun and typed values are kept on the dialog's own grid (0.1 m/s,
// 0.01 m, 0.01 ft, 0.1 in), so repeated clicks never drift and the head gets
// the centimetres the operator sees.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

class CTubescanDoc;

namespace dlg {

// A decimal number filling the whole trimmed text, optionally followed by
// `suffix` (the unit the dialog shows). Nothing for anything else.
std::optional<double> ParseNumber(std::string_view text, std::string_view suffix = {});

// --- Speed of sound, m/s ---------------------------------------------------
inline constexpr const char* kSoundVelocityMessage =
    "Wrong Input!!! Make sure the input is between 1400.0 and 1600.0   ";
inline constexpr double kSoundVelocityDefault = 1500.0;
std::optional<double> AcceptSoundVelocity(std::string_view text);
// One click (+1 up, -1 down) of 0.1 m/s within 1400 ... 1600.
double SoundVelocitySpin(double value, int delta);
int SoundVelocitySpinPosition(double value); // 0 ... 2000
std::string SoundVelocityText(double value); // "%.1f"
// m_soundVelocity, under the ping lock (the acquisition thread reads it).
void ApplySoundVelocity(CTubescanDoc& doc, double value);

// --- Profile minimum range, m ------------------------------------------------
inline constexpr const char* kMinRangeMessage =
    "Wrong Input!!! Make sure the input is between 0.0 and 2.5   ";
std::optional<double> AcceptMinRange(std::string_view text); // rounded to 0.01
// One click of 0.01 m within 0 ... 2.5.
double MinRangeSpin(double value, int delta);
int MinRangeSpinPosition(double value);         // 0 ... 250
std::uint8_t MinRangeCentimetres(double value); // rounded, 0 ... 250
std::string MinRangeText(double value);         // "%.2f"
// m_profileMinRange and the head command's minimum-range byte together.
void ApplyMinRange(CTubescanDoc& doc, double value);

// --- The one-value setup dialogs ----------------------------------------------
// All that tells the profile minimum range dialog from the speed of sound
// dialog: its names, texts and control ids, and how its value is read from
// the document, shown, stepped, checked and stored.
struct ValueRules {
    const char* objectName; // the dialog's resource id
    const char* title;
    const char* label;
    int editId;
    const char* unit;
    int spinId;
    bool centred;           // the value centred in its box
    double withoutDocument; // where the dialog starts when there is no document
    double byDefault;       // what Default puts in (the document changes on OK)
    int spinHigh;           // spin positions 0 ... spinHigh
    const char* refusal;    // said when the typed text is refused
    double (*read)(const CTubescanDoc&);
    std::string (*text)(double);
    int (*spinPosition)(double);
    double (*spin)(double value, int delta);
    std::optional<double> (*accept)(std::string_view);
    void (*store)(CTubescanDoc&, double); // on OK
    // Whether a spin click counts now (nullptr: always).
    bool (*spinTaken)(const CTubescanDoc&) = nullptr;
    // Applied at every spin click, so the head follows at once and keeps it
    // when the dialog is cancelled (nullptr: only OK stores).
    void (*preview)(CTubescanDoc&, double) = nullptr;
};
extern const ValueRules kSoundVelocityRules;
extern const ValueRules kMinRangeRules;

// --- Pipe overlay lengths, shown in the unit of m_units ----------------------
// What the pipe dialog accepts, in metres; the settings file is held to it too.
inline constexpr double kPipeMinMetres = 0.1;
inline constexpr double kPipeMaxMetres = 12.0;
// 0 metres, 1 feet, 2 inches.
double MetresToUnit(double metres, int units);
double UnitToMetres(double value, int units);
std::string UnitCaption(int units);               // "Input in Meters", ...
std::string LengthText(double metres, int units); // "1.00 m", "3.28 '", "39.4 ''"
std::string PipeLengthMessage(int units);         // the limits in the shown unit
std::optional<double> AcceptPipeLength(std::string_view text, int units); // metres
// One click of 0.01 m, 0.01 ft or 0.1 in, kept within 0.1 ... 12 m.
double PipeLengthSpin(double metres, int units, int delta);
int PipeSpinPosition(double metres, int high); // metres x 100 within 10 ... high

// --- Head address --------------------------------------------------------------
using Quad = std::array<std::uint8_t, 4>;
// Four decimal numbers 0-255 joined by dots, nothing else.
std::optional<Quad> ParseDottedQuad(std::string_view text);
std::string QuadText(const Quad& quad);

} // namespace dlg
