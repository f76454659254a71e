#include "doc/GradeOutput.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "format/NumberText.h"

bool GradeCsvOutput::Create(const std::string& path, const CTubescanDoc&, int* error) {
    // Written at the end, but a folder that cannot take it should be known
    // before the whole recording has been read.
    errno = 0;
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) {
        if (error) *error = errno;
        return false;
    }
    std::fclose(f);
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
    errno = 0;
    std::FILE* f = std::fopen(m_path.c_str(), "wb");
    if (!f) {
        m_error = "cannot write " + m_path + ": " + std::strerror(errno);
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
    bool written = std::fwrite(text.data(), 1, text.size(), f) == text.size();
    const int why = errno;
    if (std::fclose(f) != 0) written = false;
    if (!written) m_error = "cannot write " + m_path + ": " + std::strerror(why ? why : errno);
    return written;
}
