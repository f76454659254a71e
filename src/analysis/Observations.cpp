#include "analysis/Observations.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>

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

std::string En13508Text(std::span<const Observation> obs, const std::string& recording) {
    // Header block: character set, language, the standard's edition, the
    // field and decimal separators; one inspection (#B) whose only field is
    // the remark naming the recording; then the observations (#C) with
    // their columns named by the standard's letters.
    std::string t = "#A1=ISO-8859-1;#A2=EN;#A3=2011;#A4=;#A5=.;#A6=;\r\n";
    std::string name;
    for (const char c : recording)
        name +=
            (c == ';' || c == '\r' || c == '\n' || static_cast<unsigned char>(c) > 126) ? '_' : c;
    t += "#B01=ADE;\r\n" + name + " (" + kProposed + ");\r\n";
    t += "#C=I;J;A;B;C;D;G;H;F;\r\n";
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
            t += Number(o.start, 2) + ";" + rest;
            continue;
        }
        ++continuous;
        const std::string n = (continuous < 10 ? "0" : "") + std::to_string(continuous);
        t += Number(o.start, 2) + ";S" + n + rest;
        t += Number(o.finish, 2) + ";F" + n + rest;
    }
    t += "#Z\r\n";
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
