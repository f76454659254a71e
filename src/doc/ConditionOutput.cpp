#include "doc/ConditionOutput.h"

#include <cerrno>

#include "analysis/ConditionCsv.h"
#include "doc/TubescanDoc.h"

analysis::NominalPipe NominalPipeOf(const CTubescanDoc& doc) {
    analysis::NominalPipe pipe;
    pipe.shape = doc.m_settings.m_pipeShape == 1   ? analysis::NominalShape::HorseShoe
                 : doc.m_settings.m_pipeShape == 2 ? analysis::NominalShape::IrregularCircle
                                                   : analysis::NominalShape::Circle;
    pipe.diameter = doc.m_settings.m_circleDiameter;
    pipe.width = doc.m_settings.m_horseShoeWidth;
    pipe.height = doc.m_settings.m_horseShoeHeight;
    pipe.upperDiameter = doc.m_overlayParamA;
    pipe.lowerDiameter = doc.m_overlayParamB;
    return pipe;
}

ConditionCsvOutput::~ConditionCsvOutput() {
    if (m_file) std::fclose(m_file);
}

bool ConditionCsvOutput::Create(const std::string& path, const conversion::PassContext& pass,
                                int* error) {
    errno = 0;
    m_file = std::fopen(path.c_str(), "wb");
    if (!m_file) {
        if (error) *error = errno;
        return false;
    }
    m_analyser.SetPipe(pass.pipe);
    m_failed =
        std::fputs(analysis::kConditionCsvHeader, m_file) < 0 || std::fputc('\n', m_file) < 0;
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
    analysis::BuildConditionCsvLine(m_line, m_survey.Scans(), f);
    if (m_file && std::fwrite(m_line.data(), 1, m_line.size(), m_file) != m_line.size())
        m_failed = true;
}

bool ConditionCsvOutput::Finish() {
    if (m_cutter.Flush()) Write(m_cutter.Completed());
    if (!m_file) return false;
    if (std::ferror(m_file)) m_failed = true;
    if (std::fclose(m_file) != 0) m_failed = true;
    m_file = nullptr;
    return !m_failed;
}
