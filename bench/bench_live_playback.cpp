// The whole program playing a recording at full speed (Playback Speed 0, the
// idle ticks), with the pipe-condition docks shown or hidden: records played
// a second on the window's thread, the process's CPU, and its resident
// memory sampled as it plays. A small driver, not a Google Benchmark: one
// playback per process.
//
//   bench_live_playback write FILE PINGS    a recording of the simulated head
//                                           in a pipe, 20 pings a second
//   bench_live_playback play FILE [docks|nodocks] [SAMPLE_SECONDS [AFTER_S]]
//                                           AFTER_S: go on playing that long
//                                           past the file's end (default 0),
//                                           to see what its start again costs
//
// "play" must run in a folder holding a settings file that points the head
// and the UDP output at 127.0.0.1 (bench/live_memory.sh writes one).
#include <chrono>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <QApplication>
#include <QDir>
#include <QDockWidget>
#include <QTimer>

#include <sys/resource.h>

#include "../tests/support/PipeSurveyFile.h"
#include "app/MainFrame.h"
#include "app/TubescanApp.h"
#include "doc/TubescanDoc.h"
#include "link/SonarHost.h"

namespace {

using Clock = std::chrono::steady_clock;

long RssKb() {
    std::FILE* f = std::fopen("/proc/self/status", "r");
    if (!f) return -1;
    char line[256];
    long kb = -1;
    while (std::fgets(line, sizeof line, f))
        if (std::strncmp(line, "VmRSS:", 6) == 0) kb = std::atol(line + 6);
    std::fclose(f);
    return kb;
}

double CpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

int Write(const char* path, int pings) {
    sim::PipeParams pipe;
    // A quarter metre a revolution, a debris bed now and then.
    pipe.travelSpeed = 0.25 / (400 * pipesurvey::kPingPeriod);
    for (double at = 20.0; at < 2000.0; at += 60.0)
        pipe.debrisStretches.push_back({at, at + 5.0, 0.08});
    if (!pipesurvey::WriteSurveyFile(path, pipe, pings)) {
        std::fprintf(stderr, "cannot write %s\n", path);
        return 1;
    }
    std::printf("wrote %d pings (%.1f hours, %d scans of 400 points) to %s\n", pings,
                pings * pipesurvey::kPingPeriod / 3600.0, pings / 400, path);
    return 0;
}

int Play(int argc, char** argv) {
    const std::string path = argv[2];
    const bool docks = argc < 4 || std::strcmp(argv[3], "nodocks") != 0;
    const int sample = argc > 4 ? std::max(1, std::atoi(argv[4])) : 30;
    const double after = argc > 5 ? std::max(0, std::atoi(argv[5])) : 0;
    QApplication qt(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    CTubescanApp app;
    // Nothing is contacted: the recording is the only source.
    app.m_beforeConnect = [](SonarHost& host) { host.SetHeadPort(1); };
    if (!app.InitInstance({QStringLiteral("tubescan")}, QDir::currentPath())) return 1;
    CMainFrame& frame = *app.Registry().mainFrame;
    CTubescanDoc& doc = *app.Registry().document;
    for (QDockWidget* d : frame.findChildren<QDockWidget*>())
        d->setVisible(docks);
    doc.Settings().m_playbackSpeed = 0;
    if (!doc.OpenPlaybackPath(path)) {
        std::fprintf(stderr, "cannot play %s\n", path.c_str());
        return 1;
    }
    const long startRss = RssKb();
    const auto start = Clock::now();
    const double startCpu = CpuSeconds();
    std::printf("docks %s\n%9s %10s %12s %9s\n", docks ? "shown" : "hidden", "elapsed_s",
                "VmRSS_kB", "position_MB", "played_%");
    std::uint64_t last = 0, length = doc.PlaybackFile().file.Length();
    long minRss = startRss, maxRss = startRss;
    bool pastFilling = false;
    double nextSample = 0.0;
    double wrappedAt = -1.0; // elapsed seconds at the first start again
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        const std::uint64_t at = doc.PlaybackFile().file.Position();
        const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
        // The file starts again at its end (not a close, which also rewinds).
        // At full speed a poll sees the position thousands of records apart,
        // so the wrap is a step back from the second half of the file.
        const bool wrapped = wrappedAt < 0.0 && at < last && last >= length / 2;
        if (!wrapped) last = at;
        const long rss = RssKb();
        if (elapsed > 30.0) { // past the docks' first filling
            // The spread is of the samples from here on, not of the start.
            if (!pastFilling) minRss = maxRss = rss;
            pastFilling = true;
            minRss = std::min(minRss, rss);
            maxRss = std::max(maxRss, rss);
        }
        if (wrapped) {
            wrappedAt = elapsed;
            std::printf("-- the file starts again\n");
        }
        if (elapsed >= nextSample || wrapped) {
            std::printf("%9.0f %10ld %12.1f %9.1f\n", elapsed, rss, last / 1e6,
                        length ? 100.0 * last / length : 0.0);
            std::fflush(stdout);
            nextSample += sample;
        }
        if (wrapped) {
            const double cpu = CpuSeconds() - startCpu;
            const double records = static_cast<double>(length) / record::kRecordSize;
            std::printf("played %.0f records in %.1f s: %.0f records/s, CPU %.1f s (%.0f %% of one "
                        "core); VmRSS from 30 s on %ld..%ld kB (spread %.1f MB), start %ld kB\n",
                        records, elapsed, records / elapsed, cpu, 100.0 * cpu / elapsed, minRss,
                        maxRss, (maxRss - minRss) / 1024.0, startRss);
            std::fflush(stdout);
        }
        if (wrappedAt >= 0.0 && elapsed - wrappedAt >= after) QCoreApplication::quit();
    });
    poll.start(250);
    const int rc = QCoreApplication::exec();
    return app.ExitInstance(rc);
}

} // namespace

int main(int argc, char** argv) {
    if (argc >= 4 && std::strcmp(argv[1], "write") == 0) return Write(argv[2], std::atoi(argv[3]));
    if (argc >= 3 && std::strcmp(argv[1], "play") == 0) return Play(argc, argv);
    std::fprintf(stderr, "usage: %s write FILE PINGS | play FILE [docks|nodocks] [SAMPLE_S]\n",
                 argv[0]);
    return 2;
}
