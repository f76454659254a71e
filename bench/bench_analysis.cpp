// Pipe-condition analysis throughput: records (profile points) per second
// through the scan cutter and the scan analysis, one core, against a memory
// copy of the same points as the ceiling measured in the same run.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "analysis/Grade.h"
#include "analysis/PipeCondition.h"
#include "analysis/ScanCutter.h"

namespace {

// One revolution of 400 points in a slightly oval 1 m pipe with a mound on
// its invert, the head off centre; repeated along the pipe.
std::vector<analysis::ProfileSample> Revolution(double distance) {
    std::vector<analysis::ProfileSample> points;
    for (int i = 0; i < 400; ++i) {
        const double a = i * 0.9 * 3.14159265358979 / 180.0;
        double x = 0.51 * std::sin(a), y = 0.49 * std::cos(a);
        if (y < 0 && std::fabs(x) < 0.2) y += 0.1 * std::pow(std::cos(x / 0.4 * 3.14159), 2);
        x -= 0.05;
        y += 0.08;
        const double bearing = std::atan2(x, y) * 180.0 / 3.14159265358979;
        points.push_back(
            {bearing < 0 ? bearing + 360 : bearing, std::hypot(x, y), x, y, i * 0.05, distance});
    }
    return points;
}

void BM_AnalyseRecords(benchmark::State& state) {
    const auto rev = Revolution(1.0);
    analysis::ScanCutter cutter;
    analysis::ScanAnalyser analyser;
    analysis::ConditionSurvey survey;
    std::size_t records = 0;
    for (auto _ : state) {
        for (int r = 0; r < 2500; ++r) // 1,000,000 records
            for (const auto& p : rev)
                if (cutter.Add(p)) survey.Add(analyser.Analyse(cutter.Completed()));
        records += 2500 * rev.size();
    }
    benchmark::DoNotOptimize(survey.Scans());
    state.counters["records/s"] =
        benchmark::Counter(static_cast<double>(records), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_AnalyseRecords)->Unit(benchmark::kMillisecond)->Iterations(3);

// The same with the grade profile gathered from every record's pitch and
// its rows and sags worked out at the end, as the report does; the
// deviation of each point is part of the analysis above.
void BM_AnalyseRecordsWithGrade(benchmark::State& state) {
    auto rev = Revolution(1.0);
    analysis::ScanCutter cutter;
    analysis::ScanAnalyser analyser;
    analysis::ConditionSurvey survey;
    analysis::GradeProfile grade;
    std::size_t records = 0, sags = 0;
    for (auto _ : state) {
        for (int r = 0; r < 2500; ++r) { // 1,000,000 records, 0.4 m a revolution
            for (auto& p : rev) {
                p.distance = r * 0.4 + 0.001 * (&p - rev.data());
                p.pitch = 0.5 * std::sin(p.distance / 7.0);
                grade.Add(p);
                if (cutter.Add(p)) survey.Add(analyser.Analyse(cutter.Completed()));
            }
        }
        const auto rows = grade.Rows();
        sags += analysis::FindSags(rows, 0.02).size();
        records += 2500 * rev.size();
    }
    benchmark::DoNotOptimize(survey.Scans());
    benchmark::DoNotOptimize(sags);
    state.counters["records/s"] =
        benchmark::Counter(static_cast<double>(records), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_AnalyseRecordsWithGrade)->Unit(benchmark::kMillisecond)->Iterations(3);

// The ceiling: copying the same million records once.
void BM_CopyRecords(benchmark::State& state) {
    const auto rev = Revolution(1.0);
    std::vector<analysis::ProfileSample> out(rev.size());
    std::size_t records = 0;
    for (auto _ : state) {
        for (int r = 0; r < 2500; ++r) {
            std::memcpy(out.data(), rev.data(), rev.size() * sizeof rev[0]);
            benchmark::ClobberMemory();
        }
        records += 2500 * rev.size();
    }
    state.counters["records/s"] =
        benchmark::Counter(static_cast<double>(records), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_CopyRecords)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

BENCHMARK_MAIN();
