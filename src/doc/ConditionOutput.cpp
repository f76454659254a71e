#include "doc/ConditionOutput.h"

#include <cerrno>

#include "analysis/ConditionCsv.h"
#include "doc/TubescanDoc.h"

analysis::NominalPipe NominalPipeOf(const CTubescanDoc& doc) {
    analysis::NominalPipe pipe;
    pipe.shape = doc.Settings().m_pipeShape == 1   ? analysis::NominalShape::HorseShoe
                 : doc.Settings().m_pipeShape == 2 ? analysis::NominalShape::IrregularCircle
                                                   : analysis::NominalShape::Circle;
    pipe.diameter = doc.Settings().m_circleDiameter;
    pipe.width = doc.Settings().m_horseShoeWidth;
    pipe.height = doc.Settings().m_horseShoeHeight;
    pipe.upperDiameter = doc.Display().m_overlayParamA;
    pipe.lowerDiameter = doc.Display().m_overlayParamB;
    return pipe;
}

units::System UnitsOf(const survey::SurveyDetails& details, const conversion::PassContext& pass) {
    return units::SystemOf(details.units, pass.settings ? pass.settings->m_units : 0);
}

ConditionCsvOutput::~ConditionCsvOutput() = default;

bool ConditionCsvOutput::Create(const std::string& path, const conversion::PassContext& pass,
                                int* error) {
    if (!m_file.Create(path, error)) return false;
    m_analyser.SetPipe(pass.pipe);
    m_file.Write(analysis::kConditionCsvHeader);
    m_file.Write("\n");
    return true;
}

void ConditionCsvOutput::Add(const analysis::ProfileSample& sample) {
    ++m_points;
    if (m_cutter.Add(sample)) Write(m_cutter.Completed());
}

void ConditionCsvOutput::Write(std::span<const analysis::ProfileSample> scan) {
    const analysis::ScanFigures f = m_analyser.Analyse(scan);
    m_survey.Add(f);
    if (m_onScan) m_onScan(f);
    if (m_onRow) m_onRow(analysis::UnrolledRowOf(f, m_analyser.Points(), scan));
    analysis::BuildConditionCsvLine(m_line, m_survey.Scans(), f);
    m_file.Write(m_line);
}

bool ConditionCsvOutput::Finish() {
    if (m_cutter.Flush()) Write(m_cutter.Completed());
    if (!m_file.IsOpen()) return false;
    return m_file.Close();
}
