// One repaint of the sonar view at 1920 x 1080, offscreen: the composition
// into the back buffer and the copy to the window. The ceiling beside it is
// one plain copy of a client-sized picture with the same painter, on the same
// machine in the same run.
#include <benchmark/benchmark.h>

#include <clocale>
#include <random>

#include <QApplication>
#include <QPainter>

#include "doc/TubescanDoc.h"
#include "view/TubescanView.h"

#include "WidgetBench.h"

namespace {

using widgetbench::kHeight;
using widgetbench::kWidth;

struct LiveView {
    CTubescanDoc doc;
    CTubescanView view{&doc};
    explicit LiveView(std::uint8_t sectorCode) {
        doc.Frame().m_imageWidth = doc.Frame().m_imageHeight = kImageSize;
        doc.Frame().m_image.resize(static_cast<std::size_t>(kImageSize) * kImageSize * 3);
        std::mt19937 random(7);
        for (auto& byte : doc.Frame().m_image)
            byte = static_cast<std::uint8_t>(random());
        doc.SetCommandByte(headproto::kCmdSectorWidth, sectorCode);
        doc.Frame().m_beamAngle = 37.0;
        view.resize(kWidth, kHeight);
        view.show();
        QApplication::processEvents();
    }
};

void BM_RepaintFullCircle(benchmark::State& state) {
    LiveView live(120);
    for (auto _ : state)
        live.view.repaint();
    state.SetLabel("compose + copy, 360 degrees, zoom 1");
}
BENCHMARK(BM_RepaintFullCircle)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly();

void BM_RepaintSector(benchmark::State& state) {
    LiveView live(30);
    for (auto _ : state)
        live.view.repaint();
    state.SetLabel("compose + copy, 90 degrees, zoom 1");
}
BENCHMARK(BM_RepaintSector)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly();

void BM_ComposeOnly(benchmark::State& state) {
    LiveView live(120);
    for (auto _ : state)
        live.view.ComposeBackBuffer();
    state.SetLabel("compose into the back buffer only, 360 degrees");
}
BENCHMARK(BM_ComposeOnly)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly();
} // namespace

WIDGET_BENCH_CEILING_AND_MAIN()
