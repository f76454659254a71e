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

namespace {

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;

struct LiveView {
    CTubescanDoc doc;
    CTubescanView view{&doc};
    explicit LiveView(std::uint8_t sectorCode) {
        doc.m_imageWidth = doc.m_imageHeight = kImageSize;
        doc.m_image.resize(static_cast<std::size_t>(kImageSize) * kImageSize * 3);
        std::mt19937 random(7);
        for (auto& byte : doc.m_image)
            byte = static_cast<std::uint8_t>(random());
        doc.m_command[headproto::kCmdSectorWidth] = sectorCode;
        doc.m_beamAngle = 37.0;
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

// Ceiling: one client-sized copy, what any repaint costs at the least.
void BM_CeilingPlainCopy(benchmark::State& state) {
    QImage source(kWidth, kHeight, QImage::Format_RGB32);
    source.fill(Qt::darkBlue);
    QImage target(kWidth, kHeight, QImage::Format_RGB32);
    for (auto _ : state) {
        QPainter p(&target);
        p.drawImage(0, 0, source);
    }
    state.SetLabel("ceiling: one 1920x1080 copy");
}
BENCHMARK(BM_CeilingPlainCopy)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly();

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
