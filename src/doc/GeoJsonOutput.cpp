#include "doc/GeoJsonOutput.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>

#include "format/BufferedFile.h"
#include "format/DataFileIo.h"
#include "format/FieldText.h"

namespace {

// A JSON string: quotes, backslashes and control characters escaped; the
// text is UTF-8 already (the survey details' rule).
std::string Json(const std::string& text) {
    std::string out = "\"";
    for (const unsigned char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            out += escaped;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

std::string Number(double v, int decimals) {
    if (!std::isfinite(v)) return "null";
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, v);
    return text;
}

} // namespace

GeoJsonOutput::GeoJsonOutput(const analysis::ReportThresholds& thresholds,
                             const analysis::ObservationThresholds& observations)
    : m_thresholds(thresholds), m_observationThresholds(observations),
      m_summary({}, true, observations.deadband) {}

bool GeoJsonOutput::Create(const std::string& path, const conversion::PassContext& pass,
                           int* error) {
    m_refusal.clear();
    m_note.clear();
    const survey::SurveyDetails& d = Details();
    if (!d.startNodeCoordinates || !d.finishNodeCoordinates || d.crs.empty()) {
        m_refusal = "a map needs both nodes' coordinates and crs in the survey details";
        if (error) *error = 0;
        return false;
    }
    std::optional<geo::SurveyPlace> place = geo::PlaceOfSurvey(d, pass.pipe, &m_refusal);
    if (place) {
        m_axis = std::make_unique<geo::PipeAxis>(place->axis);
        m_toLonLat = std::make_unique<geo::ToLonLat>(d.crs);
        if (!m_toLonLat->Ok()) m_refusal = m_toLonLat->Error();
    }
    if (!m_refusal.empty()) {
        if (error) *error = 0;
        return false;
    }
    m_pipe = pass.pipe;
    // Nothing is written until the end, but a folder that cannot take the
    // file is better found now.
    if (!ProbeWritable(path, error)) return false;
    m_path = path;
    m_summary.SetPipe(pass.pipe);
    m_grade.SetTopSpeed(pass.settings->m_carrierTopSpeed);
    return true;
}

void GeoJsonOutput::Add(const analysis::ProfileSample& sample) {
    ++m_points;
    m_summary.Add(sample);
    m_grade.Add(sample);
    if (std::isfinite(sample.distance)) {
        if (!(sample.distance >= m_minChainage)) m_minChainage = sample.distance;
        if (!(sample.distance <= m_maxChainage)) m_maxChainage = sample.distance;
    }
}

bool GeoJsonOutput::Finish() {
    m_summary.Finish();
    std::vector<analysis::ScanFigures> scans;
    scans.reserve(m_summary.Scans().size());
    for (const analysis::ObservedScan& s : m_summary.Scans())
        scans.push_back(s.figures);
    const analysis::Findings findings = analysis::FindFindings(scans, m_thresholds);
    const std::vector<analysis::Observation> observations =
        analysis::FindObservations(m_summary.Scans(), m_observationThresholds);
    const std::vector<analysis::GradeRow> rows = m_grade.Rows();
    const std::vector<analysis::Sag> sags =
        analysis::FindSags(rows, analysis::DefaultSagThreshold(m_pipe));

    const double measured = m_maxChainage - std::min(0.0, m_minChainage);
    if (m_fit && measured > 0.0) m_axis->SetStretch(m_axis->Length() / measured);
    bool placed = true;
    // The axis between two chainages as a line of longitudes and latitudes,
    // a point a metre (and at its ends) so a long stretch follows the map's
    // own curvature; a single scan gets a centimetre either side. Each
    // position's altitude is the inverts' line's elevation there, in metres
    // as GeoJSON counts heights, but of the nodes' own height system: the
    // survey names no vertical datum that would take it to the ellipsoid's.
    const auto line = [&](double from, double to) {
        if (from > to) std::swap(from, to);
        if (to - from < 0.02) from -= 0.01, to += 0.01;
        const int steps = std::clamp(static_cast<int>(std::ceil(to - from)), 1, 1000);
        std::string text = "[";
        for (int i = 0; i <= steps; ++i) {
            const double s = from + (to - from) * i / steps;
            const geo::Vec3 p = m_axis->OnAxis(s);
            double lon = 0.0, lat = 0.0;
            placed = m_toLonLat->Transform(p[0], p[1], lon, lat) && placed;
            const double elevation = m_axis->OnInvert(s)[2] * m_axis->MetresPerUnit();
            text += (i ? ",[" : "[") + Number(lon, 9) + "," + Number(lat, 9) + "," +
                    Number(elevation, 3) + "]";
        }
        return text + "]";
    };
    std::string features;
    const auto feature = [&](const std::string& kind, double from, double to, double peak,
                             double peakAt, const std::string& code) {
        if (!features.empty()) features += ",\n";
        features += "{\"type\":\"Feature\",\"geometry\":{\"type\":\"LineString\",\"coordinates\":" +
                    line(from, to) + "},\"properties\":{\"kind\":" + Json(kind) +
                    ",\"from_m\":" + Number(from, 3) + ",\"to_m\":" + Number(to, 3) +
                    ",\"peak\":" + Number(peak, 4) + ",\"peak_at_m\":" + Number(peakAt, 3) +
                    (code.empty() ? std::string() : ",\"code\":" + Json(code)) + "}}";
        ++m_features;
    };
    m_features = 0;
    if (std::isfinite(m_minChainage))
        feature("survey", m_minChainage, m_maxChainage, analysis::kNoValue, analysis::kNoValue, {});
    // The code the observations propose for a stretch that starts where one
    // of theirs does.
    const auto code = [&](analysis::ObservationKind kind, double start) {
        for (const analysis::Observation& o : observations)
            if (o.kind == kind && std::fabs(o.start - start) < 1e-9)
                return std::string(kind == analysis::ObservationKind::Deformation ? "BAA" : "BBC");
        return std::string();
    };
    for (const analysis::Stretch& s : findings.ovalStretches)
        feature("oval", s.start, s.end, s.peak, s.peakDistance,
                code(analysis::ObservationKind::Deformation, s.start));
    for (const analysis::Stretch& s : findings.lossStretches)
        feature("area-loss", s.start, s.end, s.peak, s.peakDistance,
                code(analysis::ObservationKind::SettledDeposit, s.start));
    for (const analysis::Stretch& s : findings.debrisStretches)
        feature("debris", s.start, s.end, s.peak, s.peakDistance, {});
    for (const analysis::Sag& s : sags)
        feature("sag", s.start, s.end, s.depth, s.deepestAt, {});

    const survey::SurveyDetails& d = Details();
    std::string text = "{\"type\":\"FeatureCollection\",\"name\":" +
                       Json(d.pipeReference.empty() ? std::string("survey") : d.pipeReference) +
                       ",\"properties\":{\"pipe_reference\":" + Json(d.pipeReference) +
                       ",\"start_node\":" + Json(d.startNode) +
                       ",\"finish_node\":" + Json(d.finishNode) +
                       ",\"direction\":" + Json(d.direction) + ",\"crs_of_nodes\":" + Json(d.crs) +
                       ",\"altitude\":\"elevation of the invert, metres, in the nodes' "
                       "height system\"" +
                       "},\n\"features\":[\n" + features + "\n]}\n";
    if (!placed) {
        m_refusal = "PROJ could not transform every point of the pipe to longitude and latitude";
        return false;
    }
    m_note = geo::LengthNote(measured, m_axis->Length());
    BufferedFile file;
    if (!file.Create(m_path, &m_writeError)) return false;
    file.Write(text);
    const bool ok = file.Close();
    m_writeError = file.Error();
    return ok;
}
