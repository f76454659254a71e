#include "doc/GradeOutput.h"

#include "doc/TubescanDoc.h"
#include <cerrno>

#include "format/DataFileIo.h"
#include "format/NumberText.h"

bool GradeCsvOutput::Create(const std::string& path, const conversion::PassContext& pass,
                            int* error) {
    m_profile.SetTopSpeed(pass.settings->m_carrierTopSpeed);
    // Written at the end, but a folder that cannot take it should be known
    // before the whole recording has been read.
    if (!ProbeWritable(path, error)) return false;
    m_path = path;
    return true;
}

void GradeCsvOutput::Add(const analysis::ProfileSample& sample) {
    ++m_points;
    m_profile.Add(sample);
}

bool GradeCsvOutput::Finish() {
    if (m_path.empty()) return false;
    if (!m_profile.HasPitch()) {
        m_error = "no valid pitch is recorded in it; no grade table written";
        return false;
    }
    std::string text = analysis::kGradeCsvHeader;
    text += '\n';
    for (const analysis::GradeRow& r : m_profile.Rows()) {
        text += FormatFixed(r.distance, 1);
        text += ',';
        text += FormatFixed(r.pitch, 3);
        text += ',';
        text += FormatFixed(r.grade, 3);
        text += ',';
        text += FormatFixed(r.elevation, 4);
        text += '\n';
    }
    if (WriteWholeFile(m_path, text, &m_error)) return true;
    m_writeError = errno;
    return false;
}
