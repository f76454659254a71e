// Point cloud and report speed: the .ply and .las exports of a recording next
// to the .xyz conversion of the same file (the same pass, another output), to
// the pass alone (every point made, none written) and to reading the file
// once; memory for a tenth of the records and for all of them; the time to
// gather and draw the PDF report of a smaller recording.
//
// The survey records of the first files wander over every range and bearing
// with no pipe in them, which is the analysis's worst case; a second survey
// of the same length is the simulated head in a pipe, with oval, mound,
// sediment and pitched stretches every 10 m, as crews record them.
//
// The LAS file needs each scan analysed for the points' deviations, and the
// condition table (.csv) is that analysis with one line per scan: the LAS
// writer's own cost is its CPU beyond the table's, the PLY writer's its CPU
// beyond the bare pass.
//
// A georeferenced LAS file (the pipe survey's nodes given in a projected
// system, every point placed between them) is timed in the same turns as
// the local one: what placing the points costs beyond the analysis.
//
//   bench_point_cloud [RECORDS] [REPORT_RECORDS] [FOLDER]
//   (defaults: 1000000, 100000, the temp folder)
#include <QApplication>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include "../tests/support/PipeSurveyFile.h"
#include "../tests/support/SurveyFile.h"
#include "doc/ConditionOutput.h"
#include "doc/PointCloudOutput.h"
#include "doc/RecordConversion.h"
#include "report/SurveyReport.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

// Report settings with only the footer's version set.
ReportSettings Version(std::string version) {
    ReportSettings settings;
    settings.version = std::move(version);
    return settings;
}

double CpuNow() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

long PeakRssKb() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss;
}

struct Timed {
    double wall = 0, cpu = 0; // seconds
    std::uint64_t points = 0;
};

double ReadOnceSeconds(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY);
    if (fd < 0) return 0;
    std::vector<char> block(1 << 20);
    const auto start = Clock::now();
    while (::read(fd, block.data(), block.size()) > 0) {
    }
    ::close(fd);
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Every profile point of the pass, and nothing written: the pass's own cost.
class CountOnly : public conversion::PointOutput {
  public:
    bool Create(const std::string& path, const conversion::PassContext&, int* error) override {
        std::FILE* f = std::fopen(path.c_str(), "wb");
        if (!f && error) *error = errno;
        return f && std::fclose(f) == 0;
    }
    void Add(const analysis::ProfileSample&) override { ++m_points; }
    bool Finish() override { return true; }
    std::uint64_t Points() const override { return m_points; }

  private:
    std::uint64_t m_points = 0;
};

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0.0 : v[v.size() / 2];
}

Timed Run(const std::string& input, const std::string& output, conversion::PointOutput* points,
          const survey::SurveyDetails* details = nullptr) {
    conversion::Options options;
    options.replace = true;
    options.points = points;
    options.survey = details;
    const auto start = Clock::now();
    const double cpu = CpuNow();
    const auto r = conversion::ConvertRecordFile(input, output, options);
    Timed t{std::chrono::duration<double>(Clock::now() - start).count(), CpuNow() - cpu, r.lines};
    if (r.outcome != conversion::Outcome::Converted) {
        std::fprintf(stderr, "%s failed: %s\n", output.c_str(), r.detail.c_str());
        std::exit(1);
    }
    return t;
}

// A 1 m pipe with an 8 % oval, a 0.15 m mound, 0.15 m of flat sediment and
// the head pitched 10 degrees, one metre of each in every 10 m the head
// travels over the pings.
sim::PipeParams PipeWithFeatures(std::uint32_t pings) {
    sim::PipeParams p;
    const double length = p.travelSpeed * pipesurvey::kPingPeriod * pings;
    for (double at = 0.0; at < length; at += 10.0) {
        p.ovalStretches.push_back({at + 1.0, at + 2.0, 0.08});
        p.debrisStretches.push_back({at + 3.0, at + 4.0, 0.15});
        p.layerStretches.push_back({at + 5.0, at + 6.0, 0.15});
        p.pitchStretches.push_back({at + 7.0, at + 8.0, 10.0});
    }
    return p;
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const std::uint32_t records =
        argc > 1 ? static_cast<std::uint32_t>(std::atol(argv[1])) : 1000000;
    const std::uint32_t reportRecords =
        argc > 2 ? static_cast<std::uint32_t>(std::atol(argv[2])) : 100000;
    const fs::path folder = argc > 3 ? fs::path(argv[3]) : fs::temp_directory_path();
    const std::string small = (folder / "bench-cloud-small.31l").string();
    const std::string large = (folder / "bench-cloud-large.31l").string();
    const std::string report = (folder / "bench-cloud-report.31l").string();
    const std::string pipe = (folder / "bench-cloud-pipe.31l").string();
    const std::uint32_t smallRecords = records / 10 > 0 ? records / 10 : 1;
    const survey::Shape shape{.rangeIndex = 4, .orientation = true};
    std::printf("generating %u, %u and %u records in %s\n", smallRecords, records, reportRecords,
                folder.c_str());
    if (!survey::WriteFile(small, smallRecords, shape) ||
        !survey::WriteFile(large, records, shape) ||
        !survey::WriteFile(report, reportRecords, shape) ||
        !pipesurvey::WriteSurveyFile(pipe, PipeWithFeatures(records), static_cast<int>(records))) {
        std::fprintf(stderr, "cannot write the test files\n");
        return 1;
    }

    const double read = ReadOnceSeconds(large);
    const long rss0 = PeakRssKb();
    PointCloudOutput smallCloud;
    const Timed s = Run(small, small + ".ply", &smallCloud);
    const long rssSmall = PeakRssKb();
    PointCloudOutput cloud;
    const Timed l = Run(large, large + ".ply", &cloud);
    const long rssLarge = PeakRssKb();
    const Timed xyz = Run(large, large + ".xyz", nullptr);
    CountOnly bare;
    const Timed pass = Run(large, large + ".none", &bare);
    // The LAS file also analyses every scan for the points' deviations: on
    // a thread of its own, and in the pass as a batch does it.
    PointCloudOutput lasCloud(PointCloudOutput::Format::Las, PointCloudOutput::Analysis::OwnThread);
    const Timed las = Run(large, large + ".las", &lasCloud);
    PointCloudOutput lasInPass(PointCloudOutput::Format::Las, PointCloudOutput::Analysis::InPass);
    const Timed las1 = Run(large, large + ".las", &lasInPass);
    ConditionCsvOutput table;
    const Timed csv = Run(large, large + ".csv", &table);
    // The PLY again after it, so a machine that got busier shows in the ratio.
    PointCloudOutput cloudAgain;
    const Timed l2 = Run(large, large + ".ply", &cloudAgain);

    // The pipe survey: PLY and LAS taken in turns, so a machine that gets
    // busier or quieter weighs on both alike; medians of the runs.
    constexpr int kTurns = 7;
    std::vector<double> plyWall, lasWall, lasCpu, ratio, geoWall, geoCpu, geoRatio, geoCpuRatio;
    // The pipe between two manholes in ETRS89 / UTM zone 32N, as long as
    // the survey.
    survey::SurveyDetails placed;
    placed.crs = "EPSG:25832";
    const double length = sim::PipeParams{}.travelSpeed * pipesurvey::kPingPeriod * records;
    placed.startNodeCoordinates = survey::NodeCoordinates{500000.0, 5700000.0, 100.0};
    placed.finishNodeCoordinates =
        survey::NodeCoordinates{500000.0 + 0.6 * length, 5700000.0 + 0.8 * length, 99.5};
    std::uint64_t pipePoints = 0;
    for (int turn = 0; turn < kTurns; ++turn) {
        PointCloudOutput pipePly;
        const Timed pp = Run(pipe, pipe + ".ply", &pipePly);
        PointCloudOutput pipeLas(PointCloudOutput::Format::Las,
                                 PointCloudOutput::Analysis::OwnThread);
        const Timed pl = Run(pipe, pipe + ".las", &pipeLas);
        plyWall.push_back(pp.wall);
        lasWall.push_back(pl.wall);
        lasCpu.push_back(pl.cpu);
        ratio.push_back(pp.wall / pl.wall);
        PointCloudOutput geoLas(PointCloudOutput::Format::Las,
                                PointCloudOutput::Analysis::OwnThread);
        const Timed pg = Run(pipe, pipe + ".las", &geoLas, &placed);
        if (!geoLas.Georeferenced()) {
            std::fprintf(stderr, "the georeferenced LAS file was not placed\n");
            return 1;
        }
        geoWall.push_back(pg.wall);
        geoCpu.push_back(pg.cpu);
        geoRatio.push_back(pg.wall / pl.wall);
        geoCpuRatio.push_back(pg.cpu / pl.cpu);
        pipePoints = pp.points;
        // Each pair too: this machine has slow and quick spells, and a pair
        // taken within one shows what the medians mix.
        std::printf("  pipe turn %d: .ply %.3f s, .las %.3f s wall %.3f s CPU, placed .las %.3f s "
                    "wall %.3f s CPU\n",
                    turn + 1, pp.wall, pl.wall, pl.cpu, pg.wall, pg.cpu);
    }
    PointCloudOutput pipeLas1(PointCloudOutput::Format::Las, PointCloudOutput::Analysis::InPass);
    const Timed pl1 = Run(pipe, pipe + ".las", &pipeLas1);
    ConditionCsvOutput pipeTable;
    const Timed pc = Run(pipe, pipe + ".csv", &pipeTable);
    CountOnly pipeBare;
    const Timed pb = Run(pipe, pipe + ".none", &pipeBare);

    SurveyReportOutput pdf("bench-cloud-report.31l", Version("bench"));
    const Timed r = Run(report, report + ".pdf", &pdf);

    std::printf("                          seconds (wall)  seconds (CPU)  records/s (wall)\n");
    std::printf("read %9u once:          %9.3f                  %12.0f\n", records, read,
                records / read);
    std::printf(".xyz of %9u:            %9.3f      %9.3f  %12.0f\n", records, xyz.wall, xyz.cpu,
                records / xyz.wall);
    std::printf(".ply of %9u:            %9.3f      %9.3f  %12.0f  (%llu points)\n", records,
                l.wall, l.cpu, records / l.wall, static_cast<unsigned long long>(l.points));
    std::printf(".ply of %9u:            %9.3f      %9.3f  %12.0f\n", smallRecords, s.wall, s.cpu,
                smallRecords / s.wall);
    std::printf("pass alone of %9u:      %9.3f      %9.3f  %12.0f\n", records, pass.wall, pass.cpu,
                records / pass.wall);
    std::printf(".las of %9u:            %9.3f      %9.3f  %12.0f  (%llu points; analysis on "
                "its own thread)\n",
                records, las.wall, las.cpu, records / las.wall,
                static_cast<unsigned long long>(las.points));
    std::printf(".las of %9u:            %9.3f      %9.3f  %12.0f  (analysis in the pass)\n",
                records, las1.wall, las1.cpu, records / las1.wall);
    std::printf(".csv of %9u:            %9.3f      %9.3f  %12.0f  (the same analysis)\n", records,
                csv.wall, csv.cpu, records / csv.wall);
    std::printf(".ply of %9u again:      %9.3f      %9.3f  %12.0f\n", records, l2.wall, l2.cpu,
                records / l2.wall);
    std::printf(".ply / .xyz speed: %.2f\n", xyz.wall / l.wall);
    // The LAS pass analyses every scan (on a second thread) for the points'
    // deviations, so it does more work than the PLY pass: the wall-clock
    // ratio is the one a user sees, the CPU ratio the extra work.
    std::printf(".las / .ply speed (wall, against the faster .ply run): %.2f\n",
                std::min(l.wall, l2.wall) / las.wall);
    std::printf(".las / .ply speed (CPU, against the faster .ply run): %.2f, analysis in the "
                "pass %.2f\n",
                std::min(l.cpu, l2.cpu) / las.cpu, std::min(l.cpu, l2.cpu) / las1.cpu);
    // What each writer adds to what it cannot do without: PLY to the bare
    // pass, LAS to the pass with every scan analysed.
    const double plyWriter = std::min(l.cpu, l2.cpu) - pass.cpu, lasWriter = las1.cpu - csv.cpu;
    std::printf("writer CPU per point: .ply %.1f ns, .las %.1f ns (beyond the analysis, which "
                "costs %.1f ns a point)\n",
                1e9 * plyWriter / static_cast<double>(l.points),
                1e9 * lasWriter / static_cast<double>(las.points),
                1e9 * (csv.cpu - pass.cpu) / static_cast<double>(las.points));
    std::printf("pipe survey of %u records (%llu points), medians of %d turns:\n", records,
                static_cast<unsigned long long>(pipePoints), kTurns);
    std::printf("  .ply %.3f s; .las %.3f s wall, %.3f s CPU (analysis on its own thread)\n",
                Median(plyWall), Median(lasWall), Median(lasCpu));
    std::printf("  .las / .ply speed (wall, each turn's pair): median %.2f, range %.2f-%.2f\n",
                Median(ratio), *std::min_element(ratio.begin(), ratio.end()),
                *std::max_element(ratio.begin(), ratio.end()));
    std::printf("  placed .las (EPSG:25832) %.3f s wall, %.3f s CPU; placed / local (each "
                "turn's pair): wall median %.3f (%.3f-%.3f), CPU median %.3f (%.3f-%.3f)\n",
                Median(geoWall), Median(geoCpu), Median(geoRatio),
                *std::min_element(geoRatio.begin(), geoRatio.end()),
                *std::max_element(geoRatio.begin(), geoRatio.end()), Median(geoCpuRatio),
                *std::min_element(geoCpuRatio.begin(), geoCpuRatio.end()),
                *std::max_element(geoCpuRatio.begin(), geoCpuRatio.end()));
    std::printf("  once each: .las %.3f s with the analysis in the pass, .csv %.3f s, the pass "
                "alone %.3f s\n",
                pl1.wall, pc.wall, pb.wall);
    std::printf("report of %9u:          %9.3f      %9.3f  (%zu scans)\n", reportRecords, r.wall,
                r.cpu, pdf.Scans().size());
    std::printf("peak memory: before %ld KiB, after %u records %ld KiB, after %u records %ld KiB\n",
                rss0, smallRecords, rssSmall, records, rssLarge);
    for (const auto& p : {small, large, report, pipe}) {
        std::error_code ec;
        for (const char* ext : {"", ".ply", ".las", ".xyz", ".pdf", ".csv", ".none"})
            fs::remove(p + ext, ec);
    }
    return 0;
}
