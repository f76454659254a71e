// Whole-link figures: head cycles per second against tubescan-sim next to a
// minimal raw-socket client doing the same 27/283-byte exchange (the ceiling
// of this machine), the time from a reply's last byte to the next command
// leaving, and resident memory over a long run. Reports; never fails a build.
//
//   bench_link [--seconds 10] [--pings 100000]
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <QTimer>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "link/LoopbackGuard.h"
#include "link/SonarHost.h"

namespace {

using Clock = std::chrono::steady_clock;

long ResidentKiB() {
    std::ifstream in("/proc/self/status");
    std::string line;
    while (std::getline(in, line))
        if (line.rfind("VmRSS:", 0) == 0) return std::strtol(line.c_str() + 6, nullptr, 10);
    return -1;
}

bool SendAll(int fd, const std::uint8_t* p, std::size_t n) {
    while (n > 0) {
        const ssize_t k = ::send(fd, p, n, MSG_NOSIGNAL);
        if (k <= 0) return false;
        p += k;
        n -= static_cast<std::size_t>(k);
    }
    return true;
}

bool RecvAll(int fd, std::uint8_t* p, std::size_t n) {
    while (n > 0) {
        const ssize_t k = ::recv(fd, p, n, 0);
        if (k <= 0) return false;
        p += k;
        n -= static_cast<std::size_t>(k);
    }
    return true;
}

int Loopback(int fd, quint16 port, bool listen) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const int one = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    if (listen) {
        ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
        if (::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) return -1;
        return ::listen(fd, 1);
    }
    return ::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
}

// The ceiling: a blocking client that does nothing but the exchange.
double RawCyclesPerSecond(quint16 port, double seconds) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0 || Loopback(fd, port, false) != 0) return 0.0;
    std::uint8_t reply[headproto::kReturnRecordSize];
    const auto command = headproto::kInitialCommand;
    long cycles = 0;
    const auto start = Clock::now();
    const auto end = start + std::chrono::duration<double>(seconds);
    while (Clock::now() < end) {
        if (!SendAll(fd, command.data(), command.size()) || !RecvAll(fd, reply, sizeof reply))
            break;
        ++cycles;
    }
    const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
    ::close(fd);
    return cycles / elapsed;
}

void Spin(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

struct Program {
    std::filesystem::path dir;
    CTubescanDoc doc;
    std::unique_ptr<SonarHost> host;
    explicit Program(quint16 port, const std::string& extra = {}) {
        dir = std::filesystem::temp_directory_path() /
              ("bench-link-" + std::to_string(::getpid()) + "-" + std::to_string(port));
        std::filesystem::create_directories(dir);
        std::ofstream(dir / "TubescanL.INI", std::ios::binary)
            << "[System Settings]\r\nIP Address=127.0.0.1\r\nOutput UDP Address=127.0.0.1\r\n"
               "Enable UDP Output XYZ=0\r\nEnable UDP Output PRD=0\r\n"
            << extra;
        host = std::make_unique<SonarHost>(doc);
        doc.OnNewDocument(dir.string() + "/");
        host->SetHeadPort(port);
        host->OnConnectToSonarHead();
    }
    ~Program() {
        doc.OnCloseDocument();
        host.reset();
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }
    std::uint64_t Records() { return host->Link().GetCounters().records; }
};

} // namespace

int main(int argc, char* argv[]) {
    setenv(loopback::kEnvVar, "1", 1);
    QCoreApplication app(argc, argv);
    double seconds = 10.0;
    long pings = 100000;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--seconds") == 0) seconds = std::atof(argv[i + 1]);
        if (std::strcmp(argv[i], "--pings") == 0) pings = std::atol(argv[i + 1]);
    }

    QProcess sim;
    sim.setProgram(QStringLiteral(TUBESCAN_SIM_PATH));
    sim.setArguments({"--port", "0", "--quiet"});
    sim.start();
    if (!sim.waitForStarted(3000) || !sim.waitForReadyRead(3000)) {
        std::fprintf(stderr, "bench_link: tubescan-sim did not start\n");
        return 1;
    }
    const quint16 port =
        QString::fromUtf8(sim.readLine()).trimmed().section(QLatin1Char(' '), -1).toUShort();

    // 1. Throughput: raw ceiling, then the program's link.
    const double raw = RawCyclesPerSecond(port, seconds);
    double linkRate = 0.0;
    {
        Program p(port);
        Spin(1000); // connected and warm
        const auto r0 = p.Records();
        QElapsedTimer t;
        t.start();
        Spin(static_cast<int>(seconds * 1000));
        linkRate =
            static_cast<double>(p.Records() - r0) / (static_cast<double>(t.nsecsElapsed()) / 1e9);
    }
    std::printf("cycles/s against tubescan-sim over %.0f s: link %.0f, raw client %.0f, ratio "
                "%.2f (target >= 0.80)\n",
                seconds, linkRate, raw, raw > 0 ? linkRate / raw : 0.0);

    // 2. Reply's last byte to the next command, seen by a head of our own
    // that does nothing else; the same head measures a raw client as floor.
    auto turnaround = [](auto&& client, int samples) {
        const int server = ::socket(AF_INET, SOCK_STREAM, 0);
        Loopback(server, 0, true);
        sockaddr_in a{};
        socklen_t len = sizeof a;
        ::getsockname(server, reinterpret_cast<sockaddr*>(&a), &len);
        const quint16 headPort = ntohs(a.sin_port);
        std::vector<double> us;
        std::atomic<bool> done{false};
        std::thread head([&] {
            const int fd = ::accept(server, nullptr, nullptr);
            const int one = 1;
            ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
            std::uint8_t cmd[headproto::kCommandSize];
            auto record = std::vector<std::uint8_t>(headproto::kReturnRecordSize, 20);
            record[0] = 'I';
            record[1] = 'M';
            record[2] = 'X';
            Clock::time_point sent{};
            for (int i = 0; i <= samples + 100; ++i) {
                if (!RecvAll(fd, cmd, sizeof cmd)) break;
                const auto got = Clock::now();
                if (i > 100) // past the start-up
                    us.push_back(std::chrono::duration<double, std::micro>(got - sent).count());
                if (!SendAll(fd, record.data(), record.size())) break;
                sent = Clock::now();
            }
            ::close(fd);
            done = true;
        });
        client(headPort, done);
        head.join();
        ::close(server);
        std::sort(us.begin(), us.end());
        if (us.empty()) return std::pair<double, double>{0.0, 0.0};
        return std::pair<double, double>{us[us.size() / 2], us[us.size() * 99 / 100]};
    };
    const int samples = 20000;
    const auto rawLat = turnaround(
        [](quint16 headPort, std::atomic<bool>& done) {
            const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
            Loopback(fd, headPort, false);
            std::uint8_t reply[headproto::kReturnRecordSize];
            const auto command = headproto::kInitialCommand;
            while (!done && SendAll(fd, command.data(), command.size()) &&
                   RecvAll(fd, reply, sizeof reply)) {
            }
            ::close(fd);
        },
        samples);
    const auto linkLat = turnaround(
        [](quint16 headPort, std::atomic<bool>& done) {
            Program p(headPort);
            while (!done)
                Spin(50);
        },
        samples);
    std::printf("reply's last byte to next command (us, send delay 0): link median %.1f p99 "
                "%.1f; raw client median %.1f p99 %.1f (target < 100)\n",
                linkLat.first, linkLat.second, rawLat.first, rawLat.second);

    // 3. At the longest send delay (5 ms): pings per second, and how often a
    // 1 ms timer on the window's thread gets to run meanwhile (about 1000 a
    // second when the wait leaves that thread free; once a ping when the
    // wait spins on it).
    {
        Program p(port, "SendDelay=5000\r\n");
        Spin(1000);
        long ticks = 0;
        QTimer tick;
        tick.setTimerType(Qt::PreciseTimer);
        QObject::connect(&tick, &QTimer::timeout, [&ticks] { ++ticks; });
        tick.start(1);
        const auto r0 = p.Records();
        QElapsedTimer t;
        t.start();
        Spin(static_cast<int>(seconds * 1000));
        const double s = static_cast<double>(t.nsecsElapsed()) / 1e9;
        tick.stop();
        const double rate = static_cast<double>(p.Records() - r0) / s;
        std::printf("send delay 5000 us: link %.0f pings/s (ceiling 1/(5 ms + raw cycle) = %.0f); "
                    "1 ms timer on the window's thread ran %.0f times/s\n",
                    rate, raw > 0 ? 1.0 / (0.005 + 1.0 / raw) : 0.0, ticks / s);
    }

    // 4. Resident memory over a long run against the simulator.
    {
        Program p(port);
        while (p.Records() < 10000)
            Spin(100);
        const long early = ResidentKiB();
        while (p.Records() < static_cast<std::uint64_t>(pings))
            Spin(200);
        const long late = ResidentKiB();
        std::printf("resident memory: %ld KiB after 10000 pings, %ld KiB after %llu pings "
                    "(growth %ld KiB); worker dropped %llu, link resends %llu\n",
                    early, late, static_cast<unsigned long long>(p.Records()), late - early,
                    static_cast<unsigned long long>(p.host->Worker().GetCounters().dropped),
                    static_cast<unsigned long long>(p.host->Link().GetCounters().resends));
    }
    sim.kill();
    sim.waitForFinished(3000);
    return 0;
}
