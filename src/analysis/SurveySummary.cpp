#include "analysis/SurveySummary.h"

#include <cmath>
#include <cstdio>

#include "analysis/ConditionCsv.h"
#include "format/FieldText.h"

namespace analysis {

SurveySummary::SurveySummary(const NominalPipe& pipe, bool keepScans, double deadband)
    : m_analyser(pipe), m_keep(keepScans), m_deadband(deadband) {}

void SurveySummary::Add(const ProfileSample& s) {
    // The same first and last as the report's survey facts.
    if (std::isfinite(s.time)) {
        if (!std::isfinite(m_firstTime)) m_firstTime = s.time;
        m_lastTime = s.time;
    }
    if (std::isfinite(s.distance)) {
        if (!std::isfinite(m_firstDistance)) m_firstDistance = s.distance;
        m_lastDistance = s.distance;
    }
    if (m_ownScans && m_cutter.Add(s)) Complete(m_cutter.Completed());
}

void SurveySummary::Finish() {
    if (m_ownScans && m_cutter.Flush()) Complete(m_cutter.Completed());
}

void SurveySummary::Complete(std::span<const ProfileSample> scan) {
    const ScanFigures f = m_analyser.Analyse(scan);
    AddScan(f);
    if (m_onScan) m_onScan(f);
    if (m_keep) m_scans.push_back({f, LowerInwardExtent(m_analyser.Points(), f, m_deadband)});
}

void SurveySummary::AddScan(const ScanFigures& f) {
    m_survey.Add(f);
    if (f.debrisDepth == f.debrisDepth && !(f.debrisDepth <= m_maxDebris)) {
        m_maxDebris = f.debrisDepth;
        m_maxDebrisAt = f.distance;
    }
}

namespace {

void Field(std::string& out, double v, int decimals) {
    out += ',';
    if (!std::isfinite(v)) return;
    if (std::fabs(v) < 0.5 * std::pow(10.0, -decimals)) v = 0.0;
    char buf[512];
    const int n = std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
    if (n > 0 && n < static_cast<int>(sizeof buf)) out.append(buf, static_cast<std::size_t>(n));
}

} // namespace

std::string SurveySummary::Line(const std::string& file,
                                const survey::SurveyDetails& details) const {
    std::string out = fieldtext::Field(file, fieldtext::kCsv);
    out += ',' + IsoTime(m_firstTime) + ',' + IsoTime(m_lastTime);
    Field(out, m_firstDistance, 3);
    Field(out, m_lastDistance, 3);
    out += ',' + std::to_string(m_survey.Scans());
    Field(out, m_survey.WorstOvality(), 2);
    Field(out, m_survey.WorstOvalityDistance(), 3);
    Field(out, m_survey.WorstAreaLoss(), 2);
    Field(out, m_survey.WorstAreaLossDistance(), 3);
    Field(out, m_maxDebris, 4);
    Field(out, m_maxDebrisAt, 3);
    Field(out, m_survey.DebrisVolume(), 4);
    for (const std::string* text :
         {&details.pipeReference, &details.startNode, &details.finishNode, &details.direction})
        out += ',' + fieldtext::Field(*text, fieldtext::kCsv);
    out += '\n';
    return out;
}

} // namespace analysis
