#include "doc/PointCloudOutput.h"

#include <cmath>

bool PointCloudOutput::Create(const std::string& path, const CTubescanDoc&, int* error) {
    m_scans.Reset();
    m_scan = 1;
    return m_file.Create(path, error);
}

void PointCloudOutput::Add(const analysis::ProfileSample& sample) {
    // A point that closes a scan is the first of the next one.
    if (m_scans.Add(sample)) ++m_scan;
    // The sample carries the .xyz line's single-precision X, Y and Z widened
    // to double, so narrowing them back gives the very same numbers.
    m_file.Add({static_cast<float>(sample.x), static_cast<float>(sample.y),
                static_cast<float>(std::isfinite(sample.distance) ? sample.distance : 0.0), m_scan,
                sample.echo});
}
