// Lengths, areas and volumes as a crew reads them: metres, or for a survey
// kept in imperial units feet (distances), inches (diameters and depths),
// square and cubic feet. One place holds the factors and the decimals, so
// the report, the dialogs and the docks say a figure the same way.
#pragma once

#include <string>
#include <string_view>

namespace units {

inline constexpr double kMetresPerFoot = 0.3048; // exact, by definition
inline constexpr double kMetresPerInch = kMetresPerFoot / 12.0;

enum class System { Metric, Imperial };

// What a length or an amount is, which decides its unit.
enum class Kind {
    Distance, // along the pipe, positions, lengths of stretches: m or ft
    Size,     // diameters, widths, depths, ranges across the pipe: m or in
    Area,     // m2 or ft2
    Volume,   // m3 or ft3
    // A wall's small departure from the nominal pipe (the deviation colour
    // scales): cm or in, because metres or feet would be all leading zeros.
    Deviation,
};

struct Quantity {
    double value = 0.0; // in the unit below
    const char* unit = "m";
    int decimals = 3;
};

// metres (m2, m3 for areas and volumes) in system's unit for kind.
Quantity Convert(double metric, Kind kind, System system);
// Back: a value typed in system's unit for kind, in metres.
double ToMetric(double value, Kind kind, System system);
// The unit's symbol: "m", "ft", "in", "m\u00B2" ... (UTF-8).
const char* Unit(Kind kind, System system);

// "12.345 m", "40.50 ft", "n/a" where the value is not a number.
std::string Text(double metric, Kind kind, System system);
// The same with other decimals than the unit's own (an axis label with
// little room).
std::string Text(double metric, Kind kind, System system, int decimals);

// The system a survey's figures are shown in: its details' units
// ("imperial" or "metric") where they name one, else the program's Units
// setting (0 Meters, 1 Feet, 2 Inches: feet and inches are imperial).
System SystemOf(std::string_view detailsUnits, int unitsSetting);

} // namespace units
