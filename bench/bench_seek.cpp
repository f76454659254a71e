// Going to a place in a 4-hour recording: from the request to the scan
// drawn there (the look-up in the index, the seek and the playback of the
// scan's records into the picture), for 100 random distances.
//
//   bench_seek [RECORDS] [FOLDER]     (defaults: 700000, the temp folder)
//
// Prints one line on stdout; how long the index took to read the file (warm,
// it was just written) and its size go to stderr.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include <unistd.h>

#include "../tests/support/SurveyFile.h"
#include "doc/RecordIndex.h"
#include "doc/TubescanDoc.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

int main(int argc, char** argv) {
    const std::uint32_t records =
        argc > 1 ? static_cast<std::uint32_t>(std::atol(argv[1])) : 700000;
    const fs::path base = argc > 2 ? fs::path(argv[2]) : fs::temp_directory_path();
    const fs::path folder = base / ("bench-seek-" + std::to_string(::getpid()));
    fs::create_directories(folder);
    const std::string path = (folder / "survey.31l").string();
    const std::string ini = (folder / "TubescanL.INI").string();

    const survey::Shape shape{.rangeIndex = 4, .orientation = true, .fullCircles = true};
    if (!survey::WriteFile(path, records, shape)) {
        std::fprintf(stderr, "cannot write %s\n", path.c_str());
        return 1;
    }
    // Loopback only, and no UDP output at all: the jumps play records.
    if (std::FILE* f = std::fopen(ini.c_str(), "wb")) {
        std::fputs("[System Settings]\r\nIP Address=127.0.0.1\r\nOutput UDP Address=127.0.0.1\r\n"
                   "Enable UDP Output XYZ=0\r\nEnable UDP Output PRD=0\r\n",
                   f);
        std::fclose(f);
    }

    {
        playindex::RecordIndex index;
        std::atomic<bool> stop{false};
        const auto start = Clock::now();
        playindex::BuildIndex(path, index, stop);
        const double s = std::chrono::duration<double>(Clock::now() - start).count();
        std::fprintf(stderr, "index: %zu records, %zu scans in %.3f s (warm), %.1f bytes/record\n",
                     index.Records(), index.Scans(), s,
                     static_cast<double>(index.MemoryBytes()) /
                         static_cast<double>(index.Records()));
    }

    CTubescanDoc doc;
    // Without an observer the document's messages go to stderr.
    if (!doc.OnNewDocument(folder.string() + "/", ini)) return 1;
    doc.SetIndexPlayback(true);
    if (!doc.OpenPlaybackPath(path) || !doc.PlaybackFile().index) return 1;
    doc.PlaybackFile().index->Wait();
    const auto& index = *doc.PlaybackIndex();
    const double first = index.Entry(0).distance;
    const double last = index.Entry(index.Records() - 1).distance;

    std::mt19937 random(27);
    std::uniform_real_distribution<double> where(first, last);
    std::vector<double> ms;
    int failed = 0;
    for (int i = 0; i < 100; ++i) {
        const double target = where(random);
        const auto start = Clock::now();
        const auto r = doc.GoToDistance(target);
        ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
        if (r.outcome != GoToOutcome::Jumped) ++failed;
    }
    std::sort(ms.begin(), ms.end());
    std::printf("seek p50 %.1f ms p99 %.1f ms over 100 jumps in %zu records\n", ms[49], ms[98],
                index.Records());
    if (failed) std::fprintf(stderr, "%d jumps did not land\n", failed);

    std::error_code ec;
    fs::remove_all(folder, ec);
    return failed ? 1 : 0;
}
