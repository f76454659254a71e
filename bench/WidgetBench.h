// What the window benchmarks share: the ceiling every repaint is judged
// against, and a main() that gives them an offscreen application.
#pragma once

#include <QApplication>
#include <QImage>
#include <QPainter>

#include <benchmark/benchmark.h>

#include <clocale>

namespace widgetbench {

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;

// One client-sized copy: what any repaint costs at the least.
inline void BM_CeilingPlainCopy(benchmark::State& state) {
    QImage source(kWidth, kHeight, QImage::Format_RGB32);
    source.fill(Qt::darkBlue);
    QImage target(kWidth, kHeight, QImage::Format_RGB32);
    for (auto _ : state) {
        QPainter p(&target);
        p.drawImage(0, 0, source);
    }
    state.SetLabel("ceiling: one 1920x1080 copy");
}

inline int Main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

} // namespace widgetbench

#define WIDGET_BENCH_CEILING_AND_MAIN()                                                            \
    BENCHMARK(widgetbench::BM_CeilingPlainCopy)                                                    \
        ->Unit(benchmark::kMillisecond)                                                            \
        ->Repetitions(5)                                                                           \
        ->ReportAggregatesOnly();                                                                  \
    int main(int argc, char** argv) {                                                              \
        return widgetbench::Main(argc, argv);                                                      \
    }
