// Ping drawing against the ceiling of this machine: DrawPing plus the profile
// point per ping, next to a loop that only stores the same number of pixels
// to the same addresses. Both sweep the beam round in 0.9-degree steps, so the
// memory the two touch is the same.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdlib>
#include <vector>

#include "doc/PingBinding.h"

namespace {

constexpr int kSweepPings = 400; // 360 degrees in steps of 0.9

struct BenchDoc {
    CTubescanDoc doc;
    PingWorkspace ws = DocumentWorkspace(doc);

    explicit BenchDoc(double zoom) {
        doc.Frame().m_imageWidth = kImageSize;
        doc.Frame().m_imageHeight = kImageSize;
        doc.Frame().m_image.assign(static_cast<std::size_t>(kImageSize) * kImageSize * 3, 0);
        doc.Settings().m_zoom = zoom;
        doc.Settings().m_profileDispMode = 2;
        doc.Settings().m_pointSize = 2;
        unsigned state = 1;
        for (auto& line : doc.Frame().m_lines)
            for (auto& s : line) {
                state = state * 1103515245u + 12345u;
                s = static_cast<std::uint8_t>(state >> 16);
            }
        doc.Frame().m_profileHistory[0] = ProfileEntry{800.0, 45.0};
    }
    void Angle(int ping) {
        doc.Frame().m_beamAngle = ping * 0.9;
        ws.profileHistory[0].bearing = doc.Frame().m_beamAngle;
    }
};

void BM_DrawPing(benchmark::State& state) {
    BenchDoc b(static_cast<double>(state.range(0)));
    int ping = 0;
    for (auto _ : state) {
        b.Angle(ping);
        DrawPing(b.doc, b.ws);
        PlaceProfilePoint(b.doc, b.ws, ComputeProfilePoint(b.doc, b.ws), PingDrawing::Pixels);
        benchmark::DoNotOptimize(b.doc.Frame().m_image.data());
        benchmark::ClobberMemory();
        if (++ping == kSweepPings) ping = 0;
    }
    state.SetItemsProcessed(state.iterations());
}

// The ceiling: the addresses DrawPing writes for each ping of the sweep,
// computed once from the same geometry as the drawing (every store is
// listed, also where a later sub-beam rewrites a pixel).
void BM_StoreSamePixels(benchmark::State& state) {
    const double zoom = static_cast<double>(state.range(0));
    BenchDoc b(zoom);
    std::vector<std::vector<std::uint32_t>> addresses(kSweepPings);
    {
        const PingGeometry g = ComputePingGeometry(b.doc);
        const int radius = static_cast<int>(g.radius);
        for (int p = 0; p < kSweepPings; ++p) {
            b.Angle(p);
            for (int r = 0; r < 21; ++r) {
                const std::size_t j =
                    HeadAngleTableIndex(b.doc.Frame().m_beamAngle - 0.9 + r * 0.9 / 20);
                for (int k = 0; k < radius; ++k) {
                    const double d = k + g.firstSample;
                    if (static_cast<int>(d) > radius - 2) break;
                    const int x = static_cast<int>(radius + d * b.doc.Trig().cos[j]);
                    const int y = static_cast<int>(radius + d * b.doc.Trig().sin[j]);
                    if (x < 1 || y < 1 || x >= kImageSize - 1 || y >= kImageSize - 1) continue;
                    addresses[p].push_back(static_cast<std::uint32_t>((y * kImageSize + x) * 3));
                }
            }
        }
    }
    std::uint8_t* image = b.doc.Frame().m_image.data();
    int ping = 0;
    std::uint8_t colour = 1;
    for (auto _ : state) {
        for (std::uint32_t a : addresses[ping]) {
            image[a] = colour;
            image[a + 1] = colour;
            image[a + 2] = colour;
        }
        benchmark::DoNotOptimize(image);
        benchmark::ClobberMemory();
        ++colour;
        if (++ping == kSweepPings) ping = 0;
    }
    state.SetItemsProcessed(state.iterations());
    state.counters["pixels_per_ping"] = static_cast<double>(addresses[0].size());
}

} // namespace

BENCHMARK(BM_DrawPing)->Arg(1)->Arg(3);
BENCHMARK(BM_StoreSamePixels)->Arg(1)->Arg(3);
BENCHMARK_MAIN();
