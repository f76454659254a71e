#include "doc/PointCloudOutput.h"

#include <cmath>
#include <thread>

#include "doc/ConditionOutput.h"

namespace {

// The .xyz line's Z: 0 until the sensor has given a valid distance.
double ZOf(const analysis::ProfileSample& s) {
    return std::isfinite(s.distance) ? s.distance : 0.0;
}

} // namespace

PointCloudOutput::Analysis PointCloudOutput::DefaultAnalysis() {
    return std::thread::hardware_concurrency() > 1 ? Analysis::OwnThread : Analysis::InPass;
}

PointCloudOutput::~PointCloudOutput() {
    // An interrupted pass never reaches Finish.
    StopWorker();
}

bool PointCloudOutput::Create(const std::string& path, const conversion::PassContext& pass,
                              int* error) {
    StopWorker();
    m_scans.Reset();
    m_scan = 1;
    if (m_format == Format::Ply) return m_ply.Create(path, error);
    m_analyser.SetPipe(pass.pipe);
    if (!m_las.Create(path, error)) return false;
    m_closing = false;
    if (m_analysis == Analysis::OwnThread) m_worker = std::thread([this] { Analyse(); });
    return true;
}

void PointCloudOutput::Add(const analysis::ProfileSample& sample) {
    // A point that closes a scan is the first of the next one.
    const bool closed = m_scans.Add(sample);
    if (m_format == Format::Las) {
        if (closed) LasScan(m_scans.Completed(), m_scan++);
        return;
    }
    if (closed) ++m_scan;
    // The sample carries the .xyz line's single-precision X, Y and Z widened
    // to double, so narrowing them back gives the very same numbers.
    m_ply.Add({static_cast<float>(sample.x), static_cast<float>(sample.y),
               static_cast<float>(ZOf(sample)), m_scan, sample.echo});
}

void PointCloudOutput::LasScan(std::span<const analysis::ProfileSample> scan,
                               std::uint32_t number) {
    // The cutter's own buffer serves until the next point: nothing to copy.
    if (m_worker.joinable())
        HandOver(scan, number);
    else
        WriteLasScan(scan, number);
}

void PointCloudOutput::HandOver(std::span<const analysis::ProfileSample> scan,
                                std::uint32_t number) {
    std::unique_lock<std::mutex> hold(m_lock);
    m_changed.wait(hold, [this] { return m_queue.size() < kQueuedScans; });
    Scan next;
    if (!m_spare.empty()) {
        next = std::move(m_spare.back());
        m_spare.pop_back();
    }
    next.samples.assign(scan.begin(), scan.end());
    next.number = number;
    m_queue.push_back(std::move(next));
    // The thread sleeps until a batch is waiting: waking a sleeping thread
    // for every scan costs the pass more than the copy it hands over.
    if (m_queue.size() >= kWakeAt) m_changed.notify_all();
}

void PointCloudOutput::Analyse() {
    std::unique_lock<std::mutex> hold(m_lock);
    for (;;) {
        m_changed.wait(hold, [this] { return m_queue.size() >= kWakeAt || m_closing; });
        if (m_queue.empty()) return; // closing, and all written
        // The whole batch, then sleep again; the pass waits on a full queue
        // only.
        while (!m_queue.empty()) {
            Scan scan = std::move(m_queue.front());
            m_queue.pop_front();
            if (m_queue.size() + 1 == kQueuedScans) m_changed.notify_all();
            hold.unlock();
            WriteLasScan(scan.samples, scan.number);
            hold.lock();
            m_spare.push_back(std::move(scan));
        }
    }
}

void PointCloudOutput::WriteLasScan(std::span<const analysis::ProfileSample> scan,
                                    std::uint32_t number) {
    const analysis::ScanFigures figures = m_analyser.Analyse(scan);
    if (m_onScan) m_onScan(figures);
    const auto points = m_analyser.Points();
    for (std::size_t i = 0; i < scan.size(); ++i) {
        const analysis::ProfileSample& s = scan[i];
        las::Point p;
        p.x = s.x;
        p.y = s.y;
        p.z = ZOf(s);
        p.scan = number;
        p.distance = p.z;
        p.echo = s.echo;
        if (i < points.size()) p.deviation = points[i].deviation;
        m_las.Add(p);
    }
}

void PointCloudOutput::StopWorker() {
    if (!m_worker.joinable()) return;
    {
        std::lock_guard<std::mutex> hold(m_lock);
        m_closing = true;
    }
    m_changed.notify_all();
    m_worker.join();
}

bool PointCloudOutput::Finish() {
    if (m_format == Format::Ply) return m_ply.Finish();
    if (m_scans.Flush()) LasScan(m_scans.Completed(), m_scan);
    StopWorker(); // writes every scan still queued
    return m_las.Finish();
}
