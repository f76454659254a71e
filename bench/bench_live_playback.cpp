// The whole program playing a recording at full speed (Playback Speed 0, the
// idle ticks), with the pipe-condition docks shown or hidden: records played
// a second on the window's thread, the process's CPU, and its resident
// memory sampled as it plays. A small driver, not a Google Benchmark: one
// playback per process.
//
//   bench_live_playback write FILE PINGS    a recording of the simulated head
//                                           in a pipe, 20 pings a second
//   bench_live_playback play FILE [docks|nodocks|no3d] [SAMPLE_SECONDS [AFTER_S]]
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

#include <malloc.h>
#include <sys/resource.h>

#include "../tests/support/PipeSurveyFile.h"
#include "app/MainFrame.h"
#include "app/Pipe3DDock.h"
#include "app/TubescanApp.h"
#include "doc/TubescanDoc.h"
#include "link/SonarHost.h"
#include "view/Pipe3DScene.h"

namespace {

using Clock = std::chrono::steady_clock;

// The resident memory and what it is made of, kB: anonymous pages (the
// heap, thread stacks, the renderer's own mappings), file pages (libraries,
// a mapped recording) and shared memory (the X server's image buffers); and
// of the anonymous part, what malloc holds in use and in its own mappings.
struct Resident {
    long rss = -1, anon = -1, file = -1, shmem = -1;
    long heapInUse = 0, heapMapped = 0;
};

Resident ResidentNow() {
    Resident r;
    std::FILE* f = std::fopen("/proc/self/status", "r");
    if (!f) return r;
    char line[256];
    while (std::fgets(line, sizeof line, f)) {
        if (std::strncmp(line, "VmRSS:", 6) == 0) r.rss = std::atol(line + 6);
        if (std::strncmp(line, "RssAnon:", 8) == 0) r.anon = std::atol(line + 8);
        if (std::strncmp(line, "RssFile:", 8) == 0) r.file = std::atol(line + 8);
        if (std::strncmp(line, "RssShmem:", 9) == 0) r.shmem = std::atol(line + 9);
    }
    std::fclose(f);
    const struct mallinfo2 m = mallinfo2();
    r.heapInUse = static_cast<long>((m.uordblks + m.hblkhd) / 1024);
    r.heapMapped = static_cast<long>(m.hblkhd / 1024);
    return r;
}

long RssKb() {
    return ResidentNow().rss;
}

void PrintResident(const char* what, const Resident& r) {
    std::printf("%s: VmRSS %ld kB = anon %ld + file %ld + shmem %ld; malloc in use %ld kB, of it "
                "in its own mappings %ld kB\n",
                what, r.rss, r.anon, r.file, r.shmem, r.heapInUse, r.heapMapped);
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
    // "no3d": the other docks shown, the 3D one hidden, to tell its share.
    const bool no3d = argc >= 4 && std::strcmp(argv[3], "no3d") == 0;
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
        d->setVisible(docks && !(no3d && d->objectName() == QLatin1String("Pipe3DDock")));
    // TUBESCAN_3D_POINTS=N draws at most N points in the 3D dock (N/2 while
    // turning) instead of its budget: the share of the drawn points in the
    // resident memory's spikes.
    for (Pipe3DDock* d : frame.findChildren<Pipe3DDock*>()) {
        if (const int points = qEnvironmentVariableIntValue("TUBESCAN_3D_POINTS"); points > 0)
            d->Scene().SetBudgets(points, points / 2);
        std::printf("3D dock: at most %zu points drawn at rest\n", d->Scene().RestBudget());
    }
    doc.Settings().m_playbackSpeed = 0;
    if (!doc.OpenPlaybackPath(path)) {
        std::fprintf(stderr, "cannot play %s\n", path.c_str());
        return 1;
    }
    const long startRss = RssKb();
    const auto start = Clock::now();
    const double startCpu = CpuSeconds();
    std::printf("docks %s%s\n%9s %10s %12s %9s\n", docks ? "shown" : "hidden",
                no3d ? ", the 3D one hidden" : "", "elapsed_s", "VmRSS_kB", "position_MB",
                "played_%");
    std::uint64_t last = 0, length = doc.PlaybackFile().file.Length();
    long minRss = startRss, maxRss = startRss;
    Resident lowest, highest;        // the samples at minRss and maxRss
    long afterMin = 0, afterMax = 0; // from the start again on
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
        const Resident now = ResidentNow();
        const long rss = now.rss;
        if (elapsed > 30.0 && wrappedAt < 0.0) { // past the docks' first filling
            // The spread is of the samples from here on, not of the start.
            if (!pastFilling) {
                minRss = maxRss = rss;
                lowest = highest = now;
            }
            pastFilling = true;
            if (rss < minRss) lowest = now;
            if (rss > maxRss) highest = now;
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
            // The start again's own line takes no regular sample's turn: it
            // did, and a run stopping 90 s past the end could print none.
            while (nextSample <= elapsed)
                nextSample += sample;
        }
        if (wrapped) {
            const double cpu = CpuSeconds() - startCpu;
            const double records = static_cast<double>(length) / record::kRecordSize;
            std::printf("played %.0f records in %.1f s: %.0f records/s, CPU %.1f s (%.0f %% of one "
                        "core); VmRSS from 30 s on %ld..%ld kB (spread %.1f MB), start %ld kB\n",
                        records, elapsed, records / elapsed, cpu, 100.0 * cpu / elapsed, minRss,
                        maxRss, (maxRss - minRss) / 1024.0, startRss);
            PrintResident("lowest sample", lowest);
            PrintResident("highest sample", highest);
            std::fflush(stdout);
        }
        if (wrappedAt >= 0.0 && !wrapped) {
            afterMin = afterMin ? std::min(afterMin, rss) : rss;
            afterMax = std::max(afterMax, rss);
        }
        if (wrappedAt >= 0.0 && elapsed - wrappedAt >= after) {
            if (after > 0)
                std::printf("after the start again, %.0f s: VmRSS %ld..%ld kB (spread %.1f MB)\n",
                            elapsed - wrappedAt, afterMin, afterMax,
                            (afterMax - afterMin) / 1024.0);
            std::fflush(stdout);
            QCoreApplication::quit();
        }
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
