#include "doc/PointCloudOutput.h"

#include "doc/ConditionOutput.h"

bool PointCloudOutput::Create(const std::string& path, const CTubescanDoc& doc, int* error) {
    m_scans.Reset();
    m_scan = 1;
    if (m_format == Format::Ply) return m_ply.Create(path, error);
    m_analyser.SetPipe(NominalPipeOf(doc));
    return m_las.Create(path, error);
}

void PointCloudOutput::Add(const analysis::ProfileSample& sample) {
    // A point that closes a scan is the first of the next one.
    const bool closed = m_scans.Add(sample);
    if (m_format == Format::Las) {
        if (closed) WriteLasScan(m_scans.Completed(), m_scan++);
        return;
    }
    if (closed) ++m_scan;
    // The sample carries the .xyz line's single-precision X, Y and Z widened
    // to double, so narrowing them back gives the very same numbers.
    m_ply.Add({static_cast<float>(sample.x), static_cast<float>(sample.y),
               static_cast<float>(sample.distance), m_scan, sample.echo});
}

void PointCloudOutput::WriteLasScan(std::span<const analysis::ProfileSample> scan,
                                    std::uint32_t number) {
    m_analyser.Analyse(scan);
    const auto points = m_analyser.Points();
    for (std::size_t i = 0; i < scan.size(); ++i) {
        const analysis::ProfileSample& s = scan[i];
        las::Point p;
        p.x = s.x;
        p.y = s.y;
        p.z = s.distance;
        p.scan = number;
        p.distance = s.distance;
        p.echo = s.echo;
        if (i < points.size()) p.deviation = points[i].deviation;
        m_las.Add(p);
    }
}

bool PointCloudOutput::Finish() {
    if (m_format == Format::Ply) return m_ply.Finish();
    if (m_scans.Flush()) WriteLasScan(m_scans.Completed(), m_scan);
    return m_las.Finish();
}
