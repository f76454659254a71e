#include "doc/PointCloudOutput.h"

#include <chrono>
#include <cmath>
#include <thread>

#include "analysis/ConditionCsv.h"
#include "analysis/WorldCrs.h"
#include "doc/ConditionOutput.h"
#include "format/FieldText.h"
#include "format/NameUuid.h"

namespace {

// The .xyz line's Z: 0 until the sensor has given a valid distance.
double ZOf(const analysis::ProfileSample& s) {
    return std::isfinite(s.distance) ? s.distance : 0.0;
}

// A header line's text: one line of ASCII, as the PLY header is.
std::string HeaderText(const std::string& text) {
    return fieldtext::Field(text, {'\n', '\0', false, false, false, true});
}

// "2026-03-07 09:05:03" of a point's time, or "unknown" padded to the same
// width, so the PLY header keeps its length when the date is filled in.
std::string DateText(double seconds) {
    std::string iso = analysis::IsoTime(seconds).substr(0, 19);
    if (iso.size() != 19) return "unknown            ";
    iso[10] = ' ';
    return iso;
}

bool NamesThePipe(const survey::SurveyDetails& d) {
    return !d.pipeReference.empty() || !d.startNode.empty() || !d.finishNode.empty();
}

std::vector<std::string> PlyComments(const survey::SurveyDetails& d, double firstTime) {
    if (!NamesThePipe(d)) return {};
    std::string nodes = "nodes " + HeaderText(d.startNode) + " to " + HeaderText(d.finishNode);
    if (!d.direction.empty()) nodes += " (" + HeaderText(d.direction) + ")";
    return {"pipe " + HeaderText(d.pipeReference), nodes, "date " + DateText(firstTime)};
}

las::Identity LasIdentity(const survey::SurveyDetails& d, double firstTime) {
    las::Identity id;
    id.systemIdentifier = "TubescanL " TUBESCAN_VERSION " profiling sonar";
    id.generatingSoftware = "TubescanL " TUBESCAN_VERSION;
    if (std::isfinite(firstTime) && std::fabs(firstTime) < 1e11) {
        using namespace std::chrono;
        const sys_days day{days{static_cast<long>(std::floor(firstTime / 86400.0))}};
        const year_month_day ymd{day};
        const int y = static_cast<int>(ymd.year());
        if (y >= 1 && y <= 65535) {
            id.year = static_cast<std::uint16_t>(y);
            id.dayOfYear =
                static_cast<std::uint16_t>((day - sys_days{ymd.year() / January / 1}).count() + 1);
        }
    }
    // One survey, one ID: the pipe, its nodes and the day, whoever converts
    // it and however often.
    if (NamesThePipe(d)) {
        const std::string date = DateText(firstTime).substr(0, 10);
        const std::string name = "tubescan-survey:" + d.pipeReference + "\n" + d.startNode + "\n" +
                                 d.finishNode + "\n" + date;
        id.projectId = nameuuid::UuidV5(nameuuid::kUrlNamespace, name);
    }
    return id;
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
    m_firstTime = analysis::kNoValue;
    if (m_format == Format::Ply) {
        m_ply.SetComments(PlyComments(Details(), m_firstTime));
        return m_ply.Create(path, error);
    }
    m_analyser.SetPipe(pass.pipe);
    if (!ChooseFrame(pass)) {
        if (error) *error = 0;
        return false;
    }
    if (!m_las.Create(path, error)) return false;
    m_closing = false;
    if (m_analysis == Analysis::OwnThread) m_worker = std::thread([this] { Analyse(); });
    return true;
}

void PointCloudOutput::Add(const analysis::ProfileSample& sample) {
    if (!std::isfinite(m_firstTime) && std::isfinite(sample.time)) m_firstTime = sample.time;
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

bool PointCloudOutput::ChooseFrame(const conversion::PassContext& pass) {
    m_placer.reset();
    m_placeRefusal.clear();
    m_placeNote.clear();
    m_betweenNodes = m_measured = 0.0;
    m_las.SetFrame({});
    const survey::SurveyDetails& d = Details();
    const bool nodes = d.startNodeCoordinates && d.finishNodeCoordinates;
    if (!nodes || d.crs.empty()) {
        // Half a georeference is worth saying: the file stays local.
        if (nodes || d.startNodeCoordinates || d.finishNodeCoordinates || !d.crs.empty())
            m_placeNote = "the LAS file stays in the head's frame: placing it needs both nodes' "
                          "coordinates and crs in the survey details";
        return true;
    }
    std::optional<geo::SurveyPlace> place = geo::PlaceOfSurvey(d, pass.pipe, &m_placeRefusal);
    if (!place) return false;
    geo::PipeAxis& axis = place->axis;
    const geo::Crs* crs = &place->crs;
    m_betweenNodes = axis.Length();
    if (m_fitLength > 0.0) axis.SetStretch(m_betweenNodes / m_fitLength);
    las::Frame frame;
    frame.wkt = crs->wkt1;
    frame.unit = crs->IsFeet() ? "ft" : crs->metresPerUnit == 1.0 ? "m" : crs->unitName;
    // 0.5 mm, or a thousandth of a foot, as a surveyor's drawing counts.
    const double scale = crs->IsFeet() ? 0.001 : las::kScale / crs->metresPerUnit;
    frame.scale = {scale, scale, scale};
    // The whole thousand units nearest the middle of the pipe: every point
    // of it lies well within the integers' reach of there.
    const survey::NodeCoordinates& a = *d.startNodeCoordinates;
    const survey::NodeCoordinates& b = *d.finishNodeCoordinates;
    const double mid[3] = {(a.x + b.x) / 2, (a.y + b.y) / 2, (a.z + b.z) / 2};
    for (int i = 0; i < 3; ++i)
        frame.offset[i] = std::nearbyint(mid[i] / 1000.0) * 1000.0;
    m_las.SetFrame(frame);
    m_placer = std::make_unique<geo::ScanPlacer>(axis);
    m_emit = [this](const analysis::ScanFigures& f, std::span<const analysis::ProfileSample> scan,
                    std::span<const analysis::AnalysedPoint> points, std::uint32_t number,
                    std::span<const geo::PlacedPoint> placed) {
        WritePlaced(f, scan, points, number, placed);
    };
    return true;
}

std::string PointCloudOutput::Notes() const {
    std::string notes = m_placeNote;
    if (m_format == Format::Las && !m_las.Note().empty())
        notes += (notes.empty() ? "" : "; ") + m_las.Note();
    if (m_placer) {
        const std::string length = geo::LengthNote(m_measured, m_betweenNodes);
        if (!length.empty()) notes += (notes.empty() ? "" : "; ") + length;
    }
    return notes;
}

void PointCloudOutput::WritePlaced(const analysis::ScanFigures&,
                                   std::span<const analysis::ProfileSample> scan,
                                   std::span<const analysis::AnalysedPoint> points,
                                   std::uint32_t number, std::span<const geo::PlacedPoint> placed) {
    for (const geo::PlacedPoint& at : placed) {
        const analysis::ProfileSample& s = scan[at.index];
        las::Point p;
        p.x = at.world[0];
        p.y = at.world[1];
        p.z = at.world[2];
        p.scan = number;
        p.distance = ZOf(s);
        m_measured = std::max(m_measured, std::fabs(p.distance));
        p.echo = s.echo;
        if (at.index < points.size()) p.deviation = points[at.index].deviation;
        m_las.Add(p);
    }
}

void PointCloudOutput::WriteLasScan(std::span<const analysis::ProfileSample> scan,
                                    std::uint32_t number) {
    const analysis::ScanFigures figures = m_analyser.Analyse(scan);
    if (m_onScan) m_onScan(figures);
    const auto points = m_analyser.Points();
    if (m_placer) {
        m_placer->Add(figures, scan, points, number, m_emit);
        return;
    }
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
    if (m_format == Format::Ply) {
        m_ply.SetComments(PlyComments(Details(), m_firstTime));
        return m_ply.Finish();
    }
    if (m_scans.Flush()) LasScan(m_scans.Completed(), m_scan);
    StopWorker(); // writes every scan still queued
    if (m_placer) m_placer->Flush(m_emit);
    m_las.SetIdentity(LasIdentity(Details(), m_firstTime));
    return m_las.Finish();
}
