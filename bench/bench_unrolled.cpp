// The Unrolled dock at 1920 x 1080, offscreen: one new scan (its row painted
// into the picture, then the widget repainted) beside a repaint alone and the
// ceiling of one client-sized copy, in the same run. Then memory: resident
// size after the picture's rows are full and after a further 50,000 scans
// (hours of survey), which must not grow.
#include <benchmark/benchmark.h>

#include <clocale>
#include <cmath>
#include <cstdio>
#include <numbers>

#include <QApplication>
#include <QPainter>

#include "analysis/PipeCondition.h"
#include "app/UnrolledDock.h"

#include "WidgetBench.h"

namespace {

using widgetbench::kHeight;
using widgetbench::kWidth;

// A scan of 400 points in a 1 m pipe with a mound on its invert.
analysis::AnalysedScan MakeScan(double distance) {
    analysis::AnalysedScan s;
    s.figures.distance = distance;
    s.figures.centreX = 0.02;
    s.figures.centreY = 0.05;
    for (int i = 0; i < 400; ++i) {
        const double a = i * 0.9 * std::numbers::pi / 180.0;
        const double mound = std::fabs(a - std::numbers::pi) < 0.5 ? 0.06 : 0.0;
        const double r = 0.5 - mound + 0.004 * std::sin(7 * a + distance);
        s.points.push_back({0.02 + r * std::sin(a), 0.05 + r * std::cos(a), 0.5 - r});
    }
    return s;
}

long ResidentKiB() {
    long pages = 0, resident = 0;
    if (std::FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
        std::fclose(f);
    }
    return resident * 4;
}

struct Dock {
    UnrolledView view;
    Dock() {
        view.resize(kWidth, kHeight);
        view.show();
        // Half the history already there: each repaint squeezes rows.
        for (int i = 0; i < 1500; ++i)
            view.AddScan(MakeScan(i * 0.05));
        QApplication::processEvents();
    }
};

void BM_NewScan(benchmark::State& state) {
    Dock dock;
    const analysis::AnalysedScan scan = MakeScan(80.0);
    int n = 0;
    for (auto _ : state) {
        // Stay below the full history so no merge falls into the timing.
        if (++n % 400 == 0) {
            state.PauseTiming();
            dock.view.Clear();
            for (int i = 0; i < 1500; ++i)
                dock.view.AddScan(scan);
            state.ResumeTiming();
        }
        dock.view.AddScan(scan);
        dock.view.repaint();
    }
    state.SetLabel("one scan's row + repaint at 1920x1080");
}
BENCHMARK(BM_NewScan)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly();

void BM_RepaintOnly(benchmark::State& state) {
    Dock dock;
    for (auto _ : state)
        dock.view.repaint();
    state.SetLabel("repaint alone at 1920x1080");
}
BENCHMARK(BM_RepaintOnly)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly();

void BM_MemoryOverHours(benchmark::State& state) {
    for (auto _ : state) {
        UnrolledView view;
        view.resize(kWidth, kHeight);
        const analysis::AnalysedScan scan = MakeScan(1.0);
        for (int i = 0; i < 2048; ++i)
            view.AddScan(scan);
        const long full = ResidentKiB();
        for (int i = 0; i < 50000; ++i)
            view.AddScan(scan);
        state.counters["rss_full_KiB"] = static_cast<double>(full);
        state.counters["rss_after_50k_more_KiB"] = static_cast<double>(ResidentKiB());
        state.counters["scans_per_row"] = static_cast<double>(view.Map().ScansPerRow());
    }
}
BENCHMARK(BM_MemoryOverHours)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace

WIDGET_BENCH_CEILING_AND_MAIN()
