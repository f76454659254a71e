// A recording's profile points as a point cloud (.ply or .las): every point
// the .xyz conversion writes a line for, in the same order, with the scan it
// belongs to (the same scans as the pipe-condition table) and its echo level.
// The LAS file also carries each point's distance along the pipe and its
// deviation from the nominal wall, so its points leave in scans: a scan is
// analysed when it is complete and then written whole.
#pragma once

#include "analysis/PipeCondition.h"
#include "analysis/ScanCutter.h"
#include "doc/RecordConversion.h"
#include "format/LasWriter.h"
#include "format/PlyWriter.h"

class PointCloudOutput : public conversion::PointOutput {
  public:
    enum class Format { Ply, Las };
    explicit PointCloudOutput(Format format = Format::Ply) : m_format(format) {}

    bool Create(const std::string& path, const CTubescanDoc& doc, int* error) override;
    void Add(const analysis::ProfileSample& sample) override;
    bool Finish() override;
    std::uint64_t Points() const override {
        return m_format == Format::Ply ? m_ply.Vertices() : m_las.Points();
    }

  private:
    void WriteLasScan(std::span<const analysis::ProfileSample> scan, std::uint32_t number);

    Format m_format;
    ply::PlyFileWriter m_ply;
    las::LasFileWriter m_las;
    analysis::ScanCutter m_scans;
    analysis::ScanAnalyser m_analyser;
    std::uint32_t m_scan = 1;
};
