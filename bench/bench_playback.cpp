// Headless playback throughput: a generated file of 100,000 records played
// through the whole tick (read, decode, process, draw; no repaint), next to
// the ceiling of only locating and decoding the same records.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "doc/RecordBinding.h"
#include "doc/TubescanDoc.h"
#include "format/RecordReader.h"

namespace {

constexpr int kRecords = 100000;

struct BenchFile {
    std::filesystem::path dir;
    std::string path;
    BenchFile() {
        dir = std::filesystem::temp_directory_path() / "tubescan-bench-playback";
        std::filesystem::create_directories(dir);
        path = (dir / "bench.31l").string();
        // Loopback only, whatever the document might send.
        FILE* ini = std::fopen((dir / "TubescanL.INI").c_str(), "wb");
        std::fputs("[System Settings]\r\nIP Address=127.0.0.1\r\nOutput UDP Address=127.0.0.1\r\n"
                   "Enable UDP Output XYZ=0\r\nEnable UDP Output PRD=0\r\n",
                   ini);
        std::fclose(ini);
        CTubescanDoc src;
        src.Frame().m_date = "07-MAR-2026";
        src.Frame().m_time = "10:00:00";
        src.Frame().m_millis = "000";
        src.Run().m_trainBearing = 360;
        CRecordFile out;
        out.Create(path);
        auto& h = src.Frame().m_reply.header;
        h[0] = 'I';
        h[1] = 'M';
        h[2] = 'X';
        h[3] = 16;
        h[7] = src.Command()[headproto::kCmdRangeCode];
        for (int i = 0; i < kRecords; ++i) {
            const int position = (i * 3) % 1200;
            h[5] = static_cast<std::uint8_t>(position & 0x7F);
            h[6] = static_cast<std::uint8_t>((position >> 7) & 0x3F);
            h[8] = static_cast<std::uint8_t>((200 + i % 50) & 0x7F);
            h[9] = static_cast<std::uint8_t>((200 + i % 50) >> 7);
            for (int k = 0; k < 250; ++k)
                src.Frame().m_reply.samples[k] = static_cast<std::uint8_t>((k * 7 + i) & 0xFF);
            out.Append(record::BuildRecord(src));
        }
    }
    ~BenchFile() {
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }
};

BenchFile& File() {
    static BenchFile file;
    return file;
}

void BM_PlaybackThroughput(benchmark::State& state) {
    BenchFile& f = File();
    CTubescanDoc doc;
    doc.OnNewDocument(f.dir.string() + "/", (f.dir / "TubescanL.INI").string());
    if (!doc.OpenPlaybackPath(f.path)) {
        state.SkipWithError("cannot open the bench file");
        return;
    }
    std::int64_t played = 0;
    for (auto _ : state) {
        for (int i = 0; i < kRecords; ++i)
            doc.PlaybackTick();
        played += kRecords;
    }
    state.SetItemsProcessed(played);
    state.counters["records/s"] =
        benchmark::Counter(static_cast<double>(played), benchmark::Counter::kIsRate);
}

void BM_LocateAndDecodeCeiling(benchmark::State& state) {
    BenchFile& f = File();
    CPlayFile file;
    file.Open(f.path);
    std::int64_t read = 0;
    for (auto _ : state) {
        std::uint64_t at = 0;
        while (auto rec = record::LocateRecord(file, at, file.Length())) {
            auto s = record::DecodeSettings(std::span<const std::uint8_t, record::kSettingsSize>(
                rec->start.data(), record::kSettingsSize));
            benchmark::DoNotOptimize(s);
            at = rec->position + static_cast<std::uint64_t>(rec->length);
            ++read;
        }
    }
    state.SetItemsProcessed(read);
    state.counters["records/s"] =
        benchmark::Counter(static_cast<double>(read), benchmark::Counter::kIsRate);
}

} // namespace

BENCHMARK(BM_PlaybackThroughput)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_LocateAndDecodeCeiling)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK_MAIN();
