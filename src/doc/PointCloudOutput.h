// A recording's profile points as a point cloud (.ply): every point the .xyz
// conversion writes a line for, in the same order, with the scan it belongs
// to (the same scans as the pipe-condition table) and its echo level.
#pragma once

#include "analysis/ScanCutter.h"
#include "doc/RecordConversion.h"
#include "format/PlyWriter.h"

class PointCloudOutput : public conversion::PointOutput {
  public:
    bool Create(const std::string& path, const CTubescanDoc& doc, int* error) override;
    void Add(const analysis::ProfileSample& sample) override;
    bool Finish() override { return m_file.Finish(); }
    std::uint64_t Points() const override { return m_file.Vertices(); }

  private:
    ply::PlyFileWriter m_file;
    analysis::ScanCutter m_scans;
    std::uint32_t m_scan = 1;
};
