// Conversion speed: records per second of the .31l to .xyz conversion (the
// code tubescan-convert runs) next to reading the same file once, and the
// memory it needs for a small and a large file.
//
//   bench_convert [RECORDS] [FOLDER]     (defaults: 1000000, the temp folder)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include "../tests/support/SurveyFile.h"
#include "doc/RecordConversion.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

double Seconds(Clock::time_point since) {
    return std::chrono::duration<double>(Clock::now() - since).count();
}

// CPU seconds of this process: on a shared machine the wall clock also counts
// the time other jobs had the processor.
double CpuNow() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

struct Rate {
    double wall = 0; // records per wall-clock second
    double cpu = 0;  // records per CPU second
};

long PeakRssKb() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss;
}

// The ceiling: every byte of the file read once, in large blocks.
Rate ReadOnce(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY);
    if (fd < 0) return {};
    std::vector<char> block(1 << 20);
    std::uint64_t total = 0;
    const auto start = Clock::now();
    const double cpu = CpuNow();
    for (ssize_t n; (n = ::read(fd, block.data(), block.size())) > 0;)
        total += n;
    const double records = static_cast<double>(total / record::kRecordSize);
    const Rate rate{records / Seconds(start), records / (CpuNow() - cpu)};
    ::close(fd);
    return rate;
}

struct Conversion {
    Rate rate;
    std::uint64_t lines = 0;
};

// speed: a speed of sound given for the run instead of the settings' (a
// survey corrected afterwards); none: the program's defaults.
Conversion Convert(const std::string& input, std::uint32_t records,
                   std::optional<double> speed = std::nullopt) {
    conversion::Options options; // the program's defaults
    options.replace = true;
    options.soundVelocity = speed;
    const auto start = Clock::now();
    const double cpu = CpuNow();
    const auto r = conversion::ConvertRecordFile(input, input + ".xyz", options);
    const Rate rate{records / Seconds(start), records / (CpuNow() - cpu)};
    if (r.outcome != conversion::Outcome::Converted) {
        std::fprintf(stderr, "conversion failed: %s\n", r.detail.c_str());
        std::exit(1);
    }
    return {rate, r.lines};
}

} // namespace

int main(int argc, char** argv) {
    const std::uint32_t records =
        argc > 1 ? static_cast<std::uint32_t>(std::atol(argv[1])) : 1000000;
    const fs::path folder = argc > 2 ? fs::path(argv[2]) : fs::temp_directory_path();
    const std::string small = (folder / "bench-convert-small.31l").string();
    const std::string large = (folder / "bench-convert-large.31l").string();
    const std::uint32_t smallRecords = records / 10 > 0 ? records / 10 : 1;
    const survey::Shape shape{.rangeIndex = -1, .orientation = true};

    std::printf("generating %u + %u records in %s\n", smallRecords, records, folder.c_str());
    if (!survey::WriteFile(small, smallRecords, shape) ||
        !survey::WriteFile(large, records, shape)) {
        std::fprintf(stderr, "cannot write the test files\n");
        return 1;
    }
    const long rssBefore = PeakRssKb();

    const Rate ceiling = ReadOnce(large);
    const long rssRead = PeakRssKb();
    const Conversion s = Convert(small, smallRecords);
    const long rssSmall = PeakRssKb();
    const Conversion l = Convert(large, records);
    const long rssLarge = PeakRssKb();
    // The same file again at 10 degree water's speed: what a correction
    // after the survey costs, against runs at the settings' speed taken in
    // turn with it; the best of three of each, as the machine is shared.
    Rate again, corrected;
    for (int round = 0; round < 3; ++round) {
        const Rate a = Convert(large, records).rate;
        const Rate c = Convert(large, records, 1447.3).rate;
        again = {std::max(again.wall, a.wall), std::max(again.cpu, a.cpu)};
        corrected = {std::max(corrected.wall, c.wall), std::max(corrected.cpu, c.cpu)};
    }
    std::printf("                      records/s (wall)  records/s (CPU)\n");
    std::printf("read once (ceiling):  %16.0f %16.0f\n", ceiling.wall, ceiling.cpu);
    std::printf("convert %9u:    %16.0f %16.0f  (%llu lines)\n", records, l.rate.wall, l.rate.cpu,
                static_cast<unsigned long long>(l.lines));
    std::printf("convert %9u:    %16.0f %16.0f\n", smallRecords, s.rate.wall, s.rate.cpu);
    std::printf("conversion / ceiling: %15.1f%% %15.1f%%\n", 100.0 * l.rate.wall / ceiling.wall,
                100.0 * l.rate.cpu / ceiling.cpu);
    std::printf("settings' speed, best of 3: %9.0f %16.0f\n", again.wall, again.cpu);
    std::printf("corrected at 1447.3 m/s:    %9.0f %16.0f  (%.1f%% and %.1f%% of the above)\n",
                corrected.wall, corrected.cpu, 100.0 * corrected.wall / again.wall,
                100.0 * corrected.cpu / again.cpu);
    std::printf("peak memory: start %ld KiB, after reading %ld KiB, after converting %u records "
                "%ld KiB, after %u records %ld KiB\n",
                rssBefore, rssRead, smallRecords, rssSmall, records, rssLarge);

    for (const auto& p : {small, large}) {
        std::error_code ec;
        fs::remove(p, ec);
        fs::remove(p + ".xyz", ec);
    }
    return 0;
}
