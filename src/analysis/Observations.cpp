#include "analysis/Observations.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>
#include <optional>

#include "analysis/ConditionCsv.h"
#include "format/FieldText.h"
#include "format/UnitsText.h"

namespace analysis {

DepositExtent LowerInwardExtent(std::span<const AnalysedPoint> points, const ScanFigures& f,
                                double deadband) {
    DepositExtent e;
    if (!f.HasCentre()) return e;
    for (const AnalysedPoint& p : points) {
        if (!(p.deviation > deadband) || !(p.y < f.centreY)) continue;
        double bearing = std::atan2(p.x - f.centreX, p.y - f.centreY) * 180.0 / std::numbers::pi;
        if (bearing < 0.0) bearing += 360.0;
        if (!e.found || bearing < e.from) e.from = bearing;
        if (!e.found || bearing > e.to) e.to = bearing;
        e.found = true;
    }
    return e;
}

int ClockOf(double bearing) {
    const long hour = std::lround(bearing / 30.0) % 12;
    return hour <= 0 ? static_cast<int>(hour + 12) : static_cast<int>(hour);
}

namespace {

double DepositLoss(const ScanFigures& f) {
    if (!(f.nominalArea > 0.0) || !std::isfinite(f.debrisArea)) return kNoValue;
    return 100.0 * f.debrisArea / f.nominalArea;
}

// Runs of consecutive scans whose value is over the threshold; a scan
// without the value ends a run, as nobody measured what lay there.
template <typename Value, typename Emit>
void Runs(std::span<const ObservedScan> scans, double threshold, Value value, Emit emit) {
    std::size_t first = 0;
    bool open = false;
    for (std::size_t i = 0; i <= scans.size(); ++i) {
        const bool over = i < scans.size() && value(scans[i]) > threshold;
        if (over && !open) first = i, open = true;
        if (!over && open) {
            emit(first, scans.subspan(first, i - first));
            open = false;
        }
    }
}

} // namespace

std::vector<Observation> FindObservations(std::span<const ObservedScan> scans,
                                          const ObservationThresholds& t) {
    std::vector<Observation> out;
    Runs(
        scans, t.ovality, [](const ObservedScan& s) { return s.figures.ovality; },
        [&](std::size_t first, std::span<const ObservedScan> run) {
            const auto peak = std::max_element(run.begin(), run.end(), [](auto& a, auto& b) {
                return a.figures.ovality < b.figures.ovality;
            });
            Observation o;
            o.kind = ObservationKind::Deformation;
            o.firstScan = first;
            o.start = run.front().figures.distance;
            o.finish = run.back().figures.distance;
            o.value = peak->figures.ovality;
            const double b = peak->figures.minDiameterBearing;
            if (std::isfinite(b)) {
                // The smallest diameter is a line through the centre: both
                // of its ends, the earlier hour from 12 first.
                const int a = ClockOf(b), c = ClockOf(b + 180.0);
                o.clockFrom = a % 12 <= c % 12 ? a : c;
                o.clockTo = a % 12 <= c % 12 ? c : a;
                o.vertical = b < 45.0 || b > 135.0;
            }
            out.push_back(o);
        });
    Runs(
        scans, t.depositLoss, [](const ObservedScan& s) { return DepositLoss(s.figures); },
        [&](std::size_t first, std::span<const ObservedScan> run) {
            Observation o;
            o.kind = ObservationKind::SettledDeposit;
            o.firstScan = first;
            o.start = run.front().figures.distance;
            o.finish = run.back().figures.distance;
            DepositExtent widest;
            for (const ObservedScan& s : run) {
                o.value = std::max(o.value, DepositLoss(s.figures));
                if (!s.deposit.found) continue;
                widest.from = widest.found ? std::min(widest.from, s.deposit.from) : s.deposit.from;
                widest.to = widest.found ? std::max(widest.to, s.deposit.to) : s.deposit.to;
                widest.found = true;
            }
            // Without inward points to place it, settled debris lies at the
            // invert.
            o.clockFrom = widest.found ? ClockOf(widest.from) : 6;
            o.clockTo = widest.found ? ClockOf(widest.to) : 6;
            out.push_back(o);
        });
    std::stable_sort(out.begin(), out.end(), [](const Observation& a, const Observation& b) {
        return a.firstScan < b.firstScan;
    });
    return out;
}

namespace {

std::string Number(double v, int decimals) {
    char buf[64];
    const int n = std::snprintf(buf, sizeof buf, "%.*f", decimals, std::isfinite(v) ? v : 0.0);
    return n > 0 && n < static_cast<int>(sizeof buf) ? std::string(buf, n) : std::string();
}

std::string Clock(int hour) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "%02d", hour);
    return buf;
}

constexpr const char* kProposed = "proposed from sonar figures; to be confirmed by the inspector";

} // namespace

namespace {

// An optional number as a field: empty when not given.
std::string OptionalNumber(const std::optional<double>& v, int decimals) {
    return v && std::isfinite(*v) ? Number(*v, decimals) : std::string();
}

// "2026-03-07" and "09:05" of StampSeconds' seconds; empty when unknown.
std::pair<std::string, std::string> DateAndTime(double seconds) {
    const std::string iso = IsoTime(seconds);
    if (iso.size() < 16) return {};
    return {iso.substr(0, 10), iso.substr(11, 5)};
}

// The remark every exchange file carries: the survey's own, then the
// recording it was proposed from.
std::string GeneralRemark(const InspectionHeader& h) {
    std::string remark = h.details.remarks.empty() ? std::string() : h.details.remarks + "; ";
    return remark + "recording " + h.recording + " (" + kProposed + ")";
}

} // namespace

std::string En13508Text(std::span<const Observation> obs, const InspectionHeader& h, bool* lossy) {
    const survey::SurveyDetails& d = h.details;
    // Header: character set, language, the standard's edition, the field
    // separator, the decimal mark and the quote around text, one to a line;
    // every text value below is written as these declare it.
    std::string t = "#A1=ISO-8859-1\r\n#A2=EN\r\n#A3=2011\r\n#A4=;\r\n#A5=.\r\n#A6=\"\r\n";
    // One inspection (#B01): the codes that have a value, then the values.
    std::vector<std::pair<const char*, std::string>> fields;
    const auto text = [&](const char* code, const std::string& value) {
        if (!value.empty())
            fields.emplace_back(code, fieldtext::Field(value, fieldtext::kEn13508, lossy));
    };
    const auto bare = [&](const char* code, const std::string& value) {
        if (!value.empty()) fields.emplace_back(code, value);
    };
    text("AAA", d.pipeReference);
    text("AAD", d.startNode);
    text("AAF", d.finishNode);
    bare("AAK", d.direction == "upstream" ? "U" : d.direction == "downstream" ? "D" : "");
    text("AAJ", d.location);
    text("AAN", d.town);
    text("AAO", d.district);
    text("AAM", d.owner);
    const auto [date, time] = DateAndTime(h.startTime);
    bare("ABF", date);
    bare("ABG", time);
    text("ABH", d.inspector);
    text("ABP", d.purpose);
    bare("ACM", d.preCleaned ? (*d.preCleaned ? "Y" : "N") : "");
    text("ADA", d.weather);
    text("ADC", d.flowControl);
    // Shapes the code list names; a horseshoe is not among them.
    bare("ACA", d.shape == "circular"      ? "A"
                : d.shape == "rectangular" ? "B"
                : d.shape == "egg"         ? "C"
                : d.shape.empty()          ? ""
                                           : "Z");
    bare("ACB", OptionalNumber(d.heightMm, 0));
    bare("ACC", OptionalNumber(d.widthMm, 0));
    text("ACD", d.material);
    text("ACE", d.lining);
    bare("ACG", OptionalNumber(d.unitLengthM, 2));
    bare("ACH", OptionalNumber(d.startNodeDepthM, 2));
    bare("ACI", OptionalNumber(d.finishNodeDepthM, 2));
    bare("ACN", d.yearLaid ? std::to_string(*d.yearLaid) : std::string());
    text("ADE", GeneralRemark(h));
    std::string codes = "#B01=", values;
    for (const auto& [code, value] : fields) {
        codes += std::string(code) + ";";
        values += value + ";";
    }
    t += codes + "\r\n" + values + "\r\n";
    t += "#C=I;J;A;B;C;D;G;H;F;\r\n";
    const auto chainage = [&](double distance) {
        const double c = (distance - h.origin) * (h.descending ? -1.0 : 1.0);
        // No "-0.00" at the start node.
        return Number(std::fabs(c) < 0.005 ? 0.0 : c, 2);
    };
    int continuous = 0;
    for (const Observation& o : obs) {
        const bool deform = o.kind == ObservationKind::Deformation;
        const std::string code = deform ? "BAA" : "BBC";
        // Sonar cannot tell sand from gravel or hardened deposit, so the
        // deposit's character is "other", with the reason in the remark.
        const std::string ch1 = deform ? (o.vertical ? "A" : "B") : "Z";
        const std::string remark = deform ? "" : "material not identified by sonar";
        const std::string rest = ";" + code + ";" + ch1 + ";;" + Number(o.value, 0) + ";" +
                                 Clock(o.clockFrom) + ";" + Clock(o.clockTo) + ";" + remark +
                                 ";\r\n";
        if (!o.Continuous()) {
            t += chainage(o.start) + ";" + rest;
            continue;
        }
        ++continuous;
        const std::string n = (continuous < 10 ? "0" : "") + std::to_string(continuous);
        t += chainage(o.start) + ";S" + n + rest;
        t += chainage(o.finish) + ";F" + n + rest;
    }
    t += "#Z\r\n";
    return t;
}

std::string En13508Text(std::span<const Observation> obs, const std::string& recording) {
    InspectionHeader h;
    h.recording = recording;
    return En13508Text(obs, h);
}

std::string InspectionCsv(const InspectionHeader& h, bool imperial) {
    const survey::SurveyDetails& d = h.details;
    const auto text = [](const std::string& v) { return fieldtext::Field(v, fieldtext::kCsv); };
    // Pipe sizes in inches or millimetres, lengths in feet or metres.
    const auto size = [&](const std::optional<double>& mm) {
        if (!mm || !std::isfinite(*mm)) return std::string();
        return imperial ? Number(*mm / 1000.0 / units::kMetresPerInch, 1) : Number(*mm, 0);
    };
    const auto length = [&](const std::optional<double>& m) {
        if (!m || !std::isfinite(*m)) return std::string();
        return imperial ? Number(*m / units::kMetresPerFoot, 2) : Number(*m, 2);
    };
    // Surveyed with the flow, the survey starts at the upstream node.
    const bool againstFlow = d.direction == "upstream";
    const auto [date, time] = DateAndTime(h.startTime);
    std::vector<std::string> row{
        text(d.inspector),
        text(d.certificate),
        text(d.owner),
        text(d.pipeReference),
        date,
        time,
        text(d.location),
        text(d.town),
        text(againstFlow ? d.finishNode : d.startNode),
        text(againstFlow ? d.startNode : d.finishNode),
        againstFlow                   ? "U"
        : d.direction == "downstream" ? "D"
                                      : "",
        size(d.heightMm),
        size(d.widthMm),
        d.shape == "circular"      ? "C"
        : d.shape == "egg"         ? "E"
        : d.shape == "horseshoe"   ? "H"
        : d.shape == "rectangular" ? "R"
        : d.shape.empty()          ? ""
                                   : "Z",
        text(d.material),
        text(d.lining),
        length(d.unitLengthM),
        std::string(), // the pipe's whole length between the nodes is not known here
        length(std::isfinite(h.lengthSurveyed) ? std::optional<double>(h.lengthSurveyed)
                                               : std::nullopt),
        d.yearLaid ? std::to_string(*d.yearLaid) : std::string(),
        text(d.purpose),
        text(d.weather),
        d.preCleaned ? (*d.preCleaned ? "Y" : "N") : "",
        imperial ? "1" : "0",
        "1",
    };
    std::string t = kInspectionCsvHeader;
    t += '\n';
    for (std::size_t i = 0; i < row.size(); ++i)
        t += (i ? "," : "") + row[i];
    t += '\n';
    return t;
}

std::string ConditionsCsv(std::span<const Observation> obs) {
    std::string t = "distance_m,code,clock_from,clock_to,value_pct,continuous,remarks\n";
    int continuous = 0;
    for (const Observation& o : obs) {
        const bool deform = o.kind == ObservationKind::Deformation;
        const std::string code = deform ? "DFE" : "DSZ";
        const std::string remark =
            deform ? kProposed : std::string("material not identified by sonar; ") + kProposed;
        const std::string rest =
            "," + Clock(o.clockFrom) + "," + Clock(o.clockTo) + "," + Number(o.value, 0);
        if (!o.Continuous()) {
            t += Number(o.start, 2) + "," + code + rest + ",," + remark + "\n";
            continue;
        }
        ++continuous;
        const std::string n = (continuous < 10 ? "0" : "") + std::to_string(continuous);
        t += Number(o.start, 2) + "," + code + rest + ",S" + n + "," + remark + "\n";
        t += Number(o.finish, 2) + "," + code + rest + ",F" + n + "," + remark + "\n";
    }
    return t;
}

} // namespace analysis
