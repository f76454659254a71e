#include "format/UnitsText.h"

#include <cmath>

#include "format/NumberText.h"

namespace units {

namespace {

struct Row {
    double metresPerUnit;
    const char* unit;
    int decimals;
};

// Metric decimals are those the report has always printed; a foot is a
// third of a metre, so two decimals of it say about as much as three of a
// metre, and an inch to a hundredth is finer than the sonar.
Row RowOf(Kind kind, System system) {
    const bool imperial = system == System::Imperial;
    switch (kind) {
    case Kind::Distance:
        return imperial ? Row{kMetresPerFoot, "ft", 2} : Row{1.0, "m", 3};
    case Kind::Size:
        return imperial ? Row{kMetresPerInch, "in", 2} : Row{1.0, "m", 3};
    case Kind::Area:
        return imperial ? Row{kMetresPerFoot * kMetresPerFoot, "ft\u00B2", 3}
                        : Row{1.0, "m\u00B2", 4};
    case Kind::Volume:
        return imperial ? Row{kMetresPerFoot * kMetresPerFoot * kMetresPerFoot, "ft\u00B3", 3}
                        : Row{1.0, "m\u00B3", 4};
    case Kind::Deviation:
        return imperial ? Row{kMetresPerInch, "in", 2} : Row{0.01, "cm", 1};
    }
    return {1.0, "m", 3};
}

} // namespace

Quantity Convert(double metric, Kind kind, System system) {
    const Row r = RowOf(kind, system);
    return {metric / r.metresPerUnit, r.unit, r.decimals};
}

double ToMetric(double value, Kind kind, System system) {
    return value * RowOf(kind, system).metresPerUnit;
}

const char* Unit(Kind kind, System system) {
    return RowOf(kind, system).unit;
}

std::string Text(double metric, Kind kind, System system) {
    return Text(metric, kind, system, RowOf(kind, system).decimals);
}

std::string Text(double metric, Kind kind, System system, int decimals) {
    const Quantity q = Convert(metric, kind, system);
    if (!std::isfinite(q.value)) return "n/a";
    double v = q.value;
    // No "-0.000": a value that rounds to zero is zero.
    if (std::fabs(v) < 0.5 * std::pow(10.0, -decimals)) v = 0.0;
    return FormatFixed(v, decimals) + " " + q.unit;
}

System SystemOf(std::string_view detailsUnits, int unitsSetting) {
    if (!detailsUnits.empty())
        return detailsUnits == "imperial" ? System::Imperial : System::Metric;
    return unitsSetting == 1 || unitsSetting == 2 ? System::Imperial : System::Metric;
}

} // namespace units
