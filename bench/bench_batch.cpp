// A batch of recordings through tubescan-convert: 8 files one after the
// other (-j 1) against the same 8 with -j 2, repeated, with the ratio of
// each pair next to the ceiling two threads of pure arithmetic reach at the
// same moment; and the converter's peak memory for each. The converter runs
// from a folder of its own beside a settings file that points everything at
// 127.0.0.1.
//
// The ratio is only worth reading next to that ceiling: "of ceiling" is the
// one divided by the other, 1.00 when the batch gains all that the machine
// gave plain arithmetic at that moment.
//
//   bench_batch [RECORDS_PER_FILE] [REPEATS] [FOLDER] [OUTPUT]
//   (defaults: 200000, 3, the temp folder, analysis; OUTPUT is one of
//   analysis, las, ply, xyz; BENCH_CONVERTER=PATH runs that converter)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <thread>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "../tests/support/SurveyFile.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

struct Run {
    double seconds = 0;
    double cpu = 0; // user and system seconds of the converter
    long peakKb = 0;
    int status = -1;
};

Run Convert(const std::string& tool, const std::vector<std::string>& args) {
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(tool.c_str()));
    for (const auto& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    const auto start = Clock::now();
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::execv(tool.c_str(), argv.data());
        ::_exit(127);
    }
    Run r;
    int status = 0;
    rusage usage{};
    ::wait4(pid, &status, 0, &usage);
    r.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    r.peakKb = usage.ru_maxrss;
    r.cpu = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
            static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

// The ceiling this machine allows at this moment: the same pure arithmetic
// done twice one after the other against twice at once on two threads. On
// a shared machine the scheduler may give a process the same share however
// many threads it runs; then no batch can beat this ratio.
double CeilingRatio() {
    const auto work = [] {
        volatile unsigned long sum = 0;
        for (unsigned long i = 0; i < 300000000ul; ++i)
            sum = sum + i;
    };
    auto start = Clock::now();
    work();
    work();
    const double serial = std::chrono::duration<double>(Clock::now() - start).count();
    start = Clock::now();
    std::thread other(work);
    work();
    other.join();
    const double parallel = std::chrono::duration<double>(Clock::now() - start).count();
    return serial / parallel;
}

} // namespace

int main(int argc, char** argv) {
    ::setenv("TUBESCAN_LOOPBACK_ONLY", "1", 1);
    const std::uint32_t records =
        argc > 1 ? static_cast<std::uint32_t>(std::atol(argv[1])) : 200000;
    const int repeats = argc > 2 ? std::atoi(argv[2]) : 3;
    const fs::path base = argc > 3 ? fs::path(argv[3]) : fs::temp_directory_path();
    const std::string output = argc > 4 ? argv[4] : "analysis";
    if (output != "analysis" && output != "las" && output != "ply" && output != "xyz") {
        std::fprintf(stderr, "OUTPUT is one of analysis, las, ply, xyz\n");
        return 2;
    }
    const fs::path dir = base / ("bench-batch-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const std::string tool = (dir / "tubescan-convert").string();
    // Another build's converter (an earlier commit, to compare) when asked.
    const char* other = std::getenv("BENCH_CONVERTER");
    fs::copy_file(other && *other ? other : TUBESCAN_CONVERT_PATH, tool);
    std::error_code noModule; // an older converter has none
    fs::copy_file(fs::path(other && *other ? other : TUBESCAN_CONVERT_PATH).parent_path() /
                      "tubescan-report.so",
                  dir / "tubescan-report.so", noModule);
    {
        std::FILE* ini = std::fopen((dir / "TubescanL.INI").c_str(), "wb");
        if (!ini) return 1;
        std::fputs("[System Settings]\r\nIP Address=127.0.0.1\r\nOutput UDP Address=127.0.0.1\r\n"
                   "[Sonar Settings]\r\n",
                   ini);
        std::fclose(ini);
    }
    std::vector<std::string> files;
    for (int i = 0; i < 8; ++i) {
        files.push_back((dir / ("f" + std::to_string(i) + ".31l")).string());
        if (!survey::WriteFile(files.back(), records, {.rangeIndex = 4, .orientation = true})) {
            std::fprintf(stderr, "cannot write %s\n", files.back().c_str());
            return 1;
        }
    }
    std::printf("8 files of %u records, %s%s, %d repeats\n", records,
                output == "xyz" ? "the .xyz" : ("--" + output).c_str(),
                output == "analysis" || output == "las" ? " (every scan analysed)" : "", repeats);
    // On a shared machine the wall-clock ratio says as much about the other
    // users as about the converter; the CPU seconds show whether -j 2 does
    // more work than -j 1 (contention, duplicated effort), and CPU / wall
    // how many cores it managed to keep busy.
    std::printf(
        "repeat   -j 1 s   -j 2 s   ratio   CPU -j 1 s   CPU -j 2 s   cores used -j 1, -j 2   "
        "peak KiB -j 1   peak KiB -j 2   ceiling   of ceiling\n");
    double bestRatio = 0, worstRatio = 1e9, bestShare = 0;
    for (int k = 0; k < repeats; ++k) {
        std::vector<std::string> args = {"-q", "--force", "-j", "1"};
        if (output != "xyz") args.push_back("--" + output);
        args.insert(args.end(), files.begin(), files.end());
        // The ceiling before and after the pair: the machine may change
        // between them.
        const double ceilingBefore = CeilingRatio();
        const Run one = Convert(tool, args);
        args[3] = "2";
        const Run two = Convert(tool, args);
        if (one.status != 0 || two.status != 0) {
            std::fprintf(stderr, "conversion failed (%d, %d)\n", one.status, two.status);
            return 1;
        }
        const double ratio = one.seconds / two.seconds;
        const double ceiling = (ceilingBefore + CeilingRatio()) / 2.0;
        bestRatio = std::max(bestRatio, ratio);
        worstRatio = std::min(worstRatio, ratio);
        bestShare = std::max(bestShare, ratio / ceiling);
        std::printf("%6d %8.2f %8.2f %7.2f %12.2f %12.2f %11.2f %10.2f %15ld %15ld %9.2f %12.2f\n",
                    k + 1, one.seconds, two.seconds, ratio, one.cpu, two.cpu, one.cpu / one.seconds,
                    two.cpu / two.seconds, one.peakKb, two.peakKb, ceiling, ratio / ceiling);
    }
    std::printf("-j 2 against -j 1: %.2f to %.2f times as fast; at best %.2f of the ceiling\n",
                worstRatio, bestRatio, bestShare);
    std::error_code ec;
    fs::remove_all(dir, ec);
    return 0;
}
