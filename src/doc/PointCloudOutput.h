// A recording's profile points as a point cloud (.ply or .las): every point
// the .xyz conversion writes a line for, in the same order, with the scan it
// belongs to (the same scans as the pipe-condition table) and its echo level.
// The LAS file also carries each point's distance along the pipe and its
// deviation from the nominal wall, so its points leave in scans: a scan is
// analysed when it is complete and then written whole.
//
// That analysis costs more than the rest of the pass, so where a core is
// free it runs on a thread of its own beside the reading. Where every core
// already has a file of its own (a batch), a second thread per file only
// makes the files wait for each other's helpers; then the scans are
// analysed in the pass itself. Both ways write the very same file.
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "analysis/PipeAxis.h"
#include "analysis/PipeCondition.h"
#include "analysis/ScanCutter.h"
#include "doc/RecordConversion.h"
#include "format/LasWriter.h"
#include "format/PlyWriter.h"

class PointCloudOutput : public conversion::PointOutput {
  public:
    enum class Format { Ply, Las };
    enum class Analysis { InPass, OwnThread };
    // OwnThread where the machine has more than one core.
    static Analysis DefaultAnalysis();

    explicit PointCloudOutput(Format format = Format::Ply, Analysis analysis = DefaultAnalysis())
        : m_format(format), m_analysis(analysis) {}
    ~PointCloudOutput() override;
    PointCloudOutput(const PointCloudOutput&) = delete;
    PointCloudOutput& operator=(const PointCloudOutput&) = delete;

    bool Create(const std::string& path, const conversion::PassContext& pass, int* error) override;
    void Add(const analysis::ProfileSample& sample) override;
    bool Finish() override;
    // A LAS pass analyses every scan (on the analysis thread when it has
    // one); a PLY pass none.
    bool OnScan(ScanHook onScan) override {
        if (m_format != Format::Las) return false;
        m_onScan = std::move(onScan);
        return true;
    }
    int WriteError() const override {
        return m_format == Format::Ply ? m_ply.WriteError() : m_las.WriteError();
    }
    std::uint64_t Points() const override {
        return m_format == Format::Ply ? m_ply.Vertices() : m_las.Points();
    }
    std::string Refusal() const override {
        if (m_format != Format::Las) return {};
        return m_placeRefusal.empty() ? m_las.Refusal() : m_placeRefusal;
    }
    std::string Notes() const override;
    // A placed LAS file's chainage stretched so this length (metres, as
    // measured) lands on the finish node; NaN (the default): as measured.
    void SetFitLength(double measured) { m_fitLength = measured; }
    // Whether the LAS file is placed in the survey's coordinate system.
    bool Georeferenced() const { return m_placer != nullptr; }

  private:
    struct Scan {
        std::vector<analysis::ProfileSample> samples;
        std::uint32_t number = 0;
    };
    // Scans waiting for the analysis; beyond this the pass waits for it, so
    // memory stays bounded however far the reading runs ahead.
    static constexpr std::size_t kQueuedScans = 16;
    // Scans queued before the thread is woken to analyse them.
    static constexpr std::size_t kWakeAt = 8;

    // A completed scan to the analysis: written at once in the pass, or
    // queued for the thread.
    void LasScan(std::span<const analysis::ProfileSample> scan, std::uint32_t number);
    void HandOver(std::span<const analysis::ProfileSample> scan, std::uint32_t number);
    void Analyse();
    void WriteLasScan(std::span<const analysis::ProfileSample> scan, std::uint32_t number);
    // Sets the LAS frame from the survey's nodes and system; false (with
    // m_placeRefusal) when they are given but cannot be used.
    bool ChooseFrame(const conversion::PassContext& pass);
    void WritePlaced(const analysis::ScanFigures& f, std::span<const analysis::ProfileSample> scan,
                     std::span<const analysis::AnalysedPoint> points, std::uint32_t number,
                     std::span<const geo::PlacedPoint> placed);
    void StopWorker();

    Format m_format;
    Analysis m_analysis;
    ply::PlyFileWriter m_ply;
    las::LasFileWriter m_las;
    analysis::ScanCutter m_scans;
    analysis::ScanAnalyser m_analyser;
    std::uint32_t m_scan = 1;
    ScanHook m_onScan;
    double m_firstTime = analysis::kNoValue; // of the first point with a time
    // Set when the survey's nodes and system place the LAS points on a map.
    std::unique_ptr<geo::ScanPlacer> m_placer;
    geo::ScanPlacer::Emit m_emit;
    std::string m_placeRefusal, m_placeNote;
    double m_betweenNodes = 0.0, m_measured = 0.0; // metres
    double m_fitLength = analysis::kNoValue;

    // With Analysis::OwnThread the LAS scans are analysed and written on a
    // thread of their own, so the analysis runs beside the reading and ping
    // processing of the pass instead of after them. The writer and the
    // analyser then belong to that thread until it is joined.
    std::thread m_worker;
    std::mutex m_lock;
    std::condition_variable m_changed;
    std::deque<Scan> m_queue;
    std::vector<Scan> m_spare; // buffers of written scans, used again
    bool m_closing = false;
};
