// tubescan-sim: a simulated sonar head (and, optionally, orientation sensor)
// for benches without hardware and for the tests. It listens on 127.0.0.1
// port 4040 unless told otherwise and answers every 27-byte head command with
// one 283-byte return record from a model of a head in a pipe.
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QHostAddress>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <cmath>
#include <cstdio>
#include <random>

#include "analysis/SoundSpeed.h"
#include "link/LoopbackGuard.h"
#include "sim/FaultPlan.h"
#include "sim/HeadModel.h"

namespace {

struct Stats {
    unsigned long long commands = 0, replies = 0, ignored = 0, badBytes = 0, connections = 0;
    unsigned long long split = 0, badSignature = 0, garbage = 0, silent = 0, closed = 0;
    unsigned long long Faults() const { return split + badSignature + garbage + silent + closed; }
};

class Simulator {
  public:
    Simulator(const sim::PipeParams& pipe, const sim::FaultOptions& faults)
        : m_model(pipe), m_plan(faults), m_rng(pipe.seed + 7) {
        m_clock.start();
        QObject::connect(&m_server, &QTcpServer::newConnection, [this] { Accept(); });
    }

    bool Listen(const QHostAddress& address, quint16 port) {
        return m_server.listen(address, port);
    }
    quint16 Port() const { return m_server.serverPort(); }
    const Stats& GetStats() const { return m_stats; }
    double Now() const { return static_cast<double>(m_clock.elapsed()) / 1000.0; }
    const sim::HeadModel& Model() const { return m_model; }

  private:
    void Accept() {
        while (QTcpSocket* s = m_server.nextPendingConnection()) {
            // One head, one operator: a new connection replaces the old one.
            // abort() emits disconnected() at once, whose handler clears
            // m_client: take the pointer first.
            if (QTcpSocket* old = m_client) {
                m_client = nullptr;
                old->abort();
                old->deleteLater();
            }
            m_client = s;
            m_input.clear();
            m_plan.NewConnection();
            m_silentUntil = -1;
            ++m_stats.connections;
            s->setSocketOption(QAbstractSocket::LowDelayOption, 1);
            QObject::connect(s, &QTcpSocket::readyRead, s, [this, s] { Read(s); });
            QObject::connect(s, &QTcpSocket::disconnected, s, [this, s] {
                if (m_client == s) m_client = nullptr;
                s->deleteLater();
            });
        }
    }

    void Read(QTcpSocket* s) {
        m_input.append(s->readAll());
        constexpr int n = static_cast<int>(headproto::kCommandSize);
        while (m_input.size() >= 1) {
            if (static_cast<std::uint8_t>(m_input[0]) != 0xFE) {
                m_input.remove(0, 1);
                ++m_stats.badBytes;
                continue;
            }
            if (m_input.size() < n) break;
            if (static_cast<std::uint8_t>(m_input[n - 1]) != 0xFD) {
                m_input.remove(0, 1);
                ++m_stats.badBytes;
                continue;
            }
            headproto::HeadCommand command{};
            std::copy_n(reinterpret_cast<const std::uint8_t*>(m_input.constData()), n,
                        command.begin());
            m_input.remove(0, n);
            Handle(s, command);
        }
    }

    void Handle(QTcpSocket* s, const headproto::HeadCommand& command) {
        ++m_stats.commands;
        if (m_silentUntil >= 0 && m_clock.elapsed() < m_silentUntil) {
            ++m_stats.ignored;
            return;
        }
        m_silentUntil = -1;
        auto record = m_model.Answer(command, Now());
        const sim::ReplyFaults f = m_plan.Next();
        if (f.badSignature) {
            record[1] = 'Q';
            ++m_stats.badSignature;
        }
        QPointer<QTcpSocket> target(s);
        const int delay = m_plan.Options().replyDelayMs;
        if (delay > 0)
            QTimer::singleShot(delay, s, [this, target, record, f] { Send(target, record, f); });
        else
            Send(target, record, f);
    }

    void Send(QPointer<QTcpSocket> s, const sim::HeadModel::Record& record,
              const sim::ReplyFaults& f) {
        if (!s || s->state() != QAbstractSocket::ConnectedState) return;
        if (f.garbage > 0) {
            // Stray bytes that never look like the start of a record.
            QByteArray junk(f.garbage, '\0');
            std::uniform_int_distribution<int> byte(0, 255);
            for (auto& c : junk) {
                int v = byte(m_rng);
                if (v == 'I') v = 0;
                c = static_cast<char>(v);
            }
            s->write(junk);
            s->flush();
            ++m_stats.garbage;
        }
        const auto* bytes = reinterpret_cast<const char*>(record.data());
        const qint64 size = static_cast<qint64>(record.size());
        if (f.split) {
            const qint64 first = size / 2;
            s->write(bytes, first);
            s->flush();
            ++m_stats.split;
            // The second half leaves a little later, so it arrives on its own.
            QByteArray rest(bytes + first, size - first);
            QTimer::singleShot(3, s, [this, s, rest, f] {
                if (!s || s->state() != QAbstractSocket::ConnectedState) return;
                s->write(rest);
                s->flush();
                Sent(s, f);
            });
            return;
        }
        s->write(bytes, size);
        s->flush();
        Sent(s, f);
    }

    void Sent(QPointer<QTcpSocket> s, const sim::ReplyFaults& f) {
        ++m_stats.replies;
        if (f.silentAfterReply) {
            m_silentUntil =
                m_clock.elapsed() + static_cast<qint64>(m_plan.Options().silentSeconds * 1000.0);
            ++m_stats.silent;
        }
        if (f.closeAfterReply && s) {
            ++m_stats.closed;
            s->disconnectFromHost();
        }
    }

    QTcpServer m_server;
    QTcpSocket* m_client = nullptr;
    QByteArray m_input;
    sim::HeadModel m_model;
    sim::FaultPlan m_plan;
    QElapsedTimer m_clock;
    qint64 m_silentUntil = -1;
    std::mt19937 m_rng;
    Stats m_stats;
};

struct Option {
    QString name;
    QString help;
    QString valueName;
    QString fallback;
};

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tubescan-sim"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TUBESCAN_VERSION));

    QCommandLineParser p;
    p.setApplicationDescription(QStringLiteral(
        "Simulated sonar head for TubescanL. Answers every 27-byte head command with one "
        "283-byte return record from a head in a pipe: the head steps by the commanded step "
        "size, sweeps within the commanded sector around the train angle (turning at its "
        "edges, or rotating continuously at 360 degrees), honours the reverse flag, range, "
        "gain, pulse length, absorption and profile minimum range, and returns its position, "
        "the profile range of the nearest surface in 0.5 mm units, a slowly swaying pitch and "
        "roll, and 250 echo samples. Prints the chosen port on its first line and a status "
        "line once a second."));
    p.addHelpOption();
    p.addVersionOption();
    const std::vector<Option> options = {
        {"address", "Address to listen on (loopback only while TUBESCAN_LOOPBACK_ONLY is set).",
         "ip", "127.0.0.1"},
        {"port", "TCP port; 0 picks a free one (printed on the first line).", "port", "4040"},
        {"shape", "Pipe shape: circle or horseshoe.", "shape", "circle"},
        {"diameter", "Pipe diameter (horse-shoe: width) in metres.", "m", "1.0"},
        {"height", "Horse-shoe height in metres (0: same as the width).", "m", "0"},
        {"offset-x", "Head position right of the pipe centre, metres.", "m", "0.05"},
        {"offset-y", "Head position above the pipe centre, metres.", "m", "-0.08"},
        {"ovality", "Fraction by which the width grows and the height shrinks.", "f", "0"},
        {"debris-height", "Height of a debris mound on the invert, metres.", "m", "0"},
        {"debris-width", "Width of the debris mound at its base, metres.", "m", "0.4"},
        {"water-level", "Fraction of the pipe height under water (1: full).", "f", "1"},
        {"sway-pitch", "Pitch sway amplitude, degrees.", "deg", "2"},
        {"sway-roll", "Roll sway amplitude, degrees.", "deg", "3"},
        {"sway-period", "Sway period, seconds (0: no sway).", "s", "20"},
        {"noise", "Peak echo noise level, sample units.", "n", "8"},
        {"seed", "Random seed for the noise.", "n", "1"},
        {"delay", "Fault: delay every reply by this many milliseconds.", "ms", "0"},
        {"silent-after", "Fault: after this many replies on a connection, go silent...", "n", "0"},
        {"silent-seconds", "...for this many seconds (then answer again; repeats).", "s", "0"},
        {"close-after", "Fault: close the connection after this many replies.", "n", "0"},
        {"bad-signature-every", "Fault: a bad signature in every Nth reply.", "n", "0"},
        {"garbage-every", "Fault: stray bytes before every Nth reply.", "n", "0"},
        {"garbage-bytes", "Number of stray bytes for --garbage-every.", "n", "17"},
        {"prd-device",
         "Also act as the orientation sensor: write its 37-character pitch, "
         "roll and distance records to this serial device or file.",
         "path", ""},
        {"prd-interval", "Orientation record interval, milliseconds.", "ms", "100"},
        {"travel-speed", "Distance travelled along the pipe per second, metres.", "m/s", "0.02"},
        {"start-at", "Where along the pipe (metres) the head starts; the odometer reads 0 there.",
         "m", "0"},
        {"odometer-scale",
         "The odometer reads this times the distance travelled (0.9 to 1.1; 1.025: 2.5 % long).",
         "f", "1"},
        {"water-sound-speed",
         "True speed of sound in the pipe's water (1400 to 1600); the head reports every range "
         "as if it were 1500.",
         "m/s", "1500"},
        {"water-temperature",
         "Fresh water at this temperature (0 to 40): sets --water-sound-speed from it.", "C", ""},
        {"ovality-between",
         "Between distances A and B (metres) the pipe has ovality V instead of --ovality "
         "(repeatable).",
         "A:B:V", ""},
        {"debris-between",
         "Between distances A and B (metres) a debris mound DEPTH metres high lies on the "
         "invert instead of --debris-height (repeatable).",
         "A:B:DEPTH", ""},
        {"debris-layer",
         "Between distances A and B (metres) a flat sediment surface lies DEPTH metres above "
         "the invert (repeatable).",
         "A:B:DEPTH", ""},
        {"pitch-between",
         "Between distances A and B (metres) the head is pitched DEG degrees against the pipe, "
         "on top of the sway: the scan plane cuts the pipe obliquely and the head and "
         "orientation records say so (repeatable).",
         "A:B:DEG", ""},
    };
    for (const auto& o : options)
        p.addOption(QCommandLineOption(o.name, o.help, o.valueName, o.fallback));
    p.addOption(QCommandLineOption(QStringLiteral("split"),
                                   QStringLiteral("Fault: send every record in two writes.")));
    p.addOption(QCommandLineOption(QStringLiteral("quiet"), QStringLiteral("No status line.")));
    p.addOption(QCommandLineOption(
        QStringLiteral("travel-backwards"),
        QStringLiteral("The head travels towards smaller distances along the pipe (a survey "
                       "the other way); the odometer still counts up.")));
    p.process(app);

    auto number = [&](const char* name) {
        bool ok = false;
        const double v = p.value(QString::fromLatin1(name)).toDouble(&ok);
        if (!ok) {
            std::fprintf(stderr, "tubescan-sim: --%s needs a number\n", name);
            std::exit(2);
        }
        return v;
    };

    sim::PipeParams pipe;
    const QString shape = p.value(QStringLiteral("shape"));
    if (shape == QLatin1String("horseshoe"))
        pipe.shape = sim::PipeShape::HorseShoe;
    else if (shape != QLatin1String("circle")) {
        std::fprintf(stderr, "tubescan-sim: --shape is circle or horseshoe\n");
        return 2;
    }
    pipe.diameter = number("diameter");
    pipe.height = number("height");
    pipe.offsetX = number("offset-x");
    pipe.offsetY = number("offset-y");
    pipe.ovality = number("ovality");
    pipe.debrisHeight = number("debris-height");
    pipe.debrisWidth = number("debris-width");
    pipe.waterLevel = number("water-level");
    pipe.swayPitch = number("sway-pitch");
    pipe.swayRoll = number("sway-roll");
    pipe.swayPeriod = number("sway-period");
    pipe.noise = number("noise");
    pipe.seed = static_cast<unsigned>(number("seed"));
    pipe.travelSpeed = number("travel-speed");
    pipe.startAt = number("start-at");
    pipe.odometerScale = number("odometer-scale");
    if (!(pipe.odometerScale >= 0.9 && pipe.odometerScale <= 1.1)) {
        std::fprintf(stderr, "tubescan-sim: --odometer-scale needs 0.9 to 1.1\n");
        return 2;
    }
    if (p.isSet(QStringLiteral("travel-backwards"))) pipe.travelDirection = -1.0;
    pipe.soundVelocity = number("water-sound-speed");
    if (p.isSet(QStringLiteral("water-temperature"))) {
        if (p.isSet(QStringLiteral("water-sound-speed"))) {
            std::fprintf(
                stderr,
                "tubescan-sim: give --water-sound-speed or --water-temperature, not both\n");
            return 2;
        }
        pipe.soundVelocity = analysis::SoundSpeedInWater(number("water-temperature"));
        if (!std::isfinite(pipe.soundVelocity)) {
            std::fprintf(stderr, "tubescan-sim: --water-temperature needs 0 to 40 degrees\n");
            return 2;
        }
    }
    if (!analysis::IsAcceptedSoundSpeed(pipe.soundVelocity)) {
        std::fprintf(stderr, "tubescan-sim: --water-sound-speed needs 1400 to 1600 m/s\n");
        return 2;
    }
    auto stretches = [&](const char* name, std::vector<sim::Stretch>& out) {
        for (const QString& v : p.values(QString::fromLatin1(name))) {
            if (v.isEmpty()) continue;
            const QStringList parts = v.split(QLatin1Char(':'));
            bool ok = parts.size() == 3;
            double n[3] = {};
            for (int i = 0; ok && i < 3; ++i)
                n[i] = parts[i].toDouble(&ok);
            if (!ok || !std::isfinite(n[0]) || !std::isfinite(n[1]) || !std::isfinite(n[2])) {
                std::fprintf(stderr, "tubescan-sim: --%s takes A:B:VALUE, three numbers\n", name);
                std::exit(2);
            }
            out.push_back({n[0], n[1], n[2]});
        }
    };
    stretches("ovality-between", pipe.ovalStretches);
    stretches("debris-between", pipe.debrisStretches);
    stretches("debris-layer", pipe.layerStretches);
    stretches("pitch-between", pipe.pitchStretches);
    for (const sim::Stretch& s : pipe.pitchStretches)
        if (std::fabs(s.value) >= 60.0) {
            std::fprintf(stderr, "tubescan-sim: --pitch-between takes a pitch under 60 degrees\n");
            return 2;
        }

    sim::FaultOptions faults;
    faults.replyDelayMs = static_cast<int>(number("delay"));
    faults.split = p.isSet(QStringLiteral("split"));
    faults.silentAfter = static_cast<int>(number("silent-after"));
    faults.silentSeconds = number("silent-seconds");
    faults.closeAfter = static_cast<int>(number("close-after"));
    faults.badSignatureEvery = static_cast<int>(number("bad-signature-every"));
    faults.garbageEvery = static_cast<int>(number("garbage-every"));
    faults.garbageBytes = static_cast<int>(number("garbage-bytes"));

    const QString addressText = p.value(QStringLiteral("address"));
    const std::string refusal =
        loopback::CheckDestination(addressText.toStdString(), "tubescan-sim");
    if (!refusal.empty()) {
        std::fprintf(stderr, "%s\n", refusal.c_str());
        return 2;
    }
    QHostAddress address;
    if (addressText == QLatin1String("localhost"))
        address = QHostAddress::LocalHost;
    else if (!address.setAddress(addressText)) {
        std::fprintf(stderr, "tubescan-sim: %s is not an IP address\n", qPrintable(addressText));
        return 2;
    }

    Simulator simulator(pipe, faults);
    const int port = static_cast<int>(number("port"));
    if (port < 0 || port > 65535 || !simulator.Listen(address, static_cast<quint16>(port))) {
        std::fprintf(stderr, "tubescan-sim: cannot listen on %s port %d\n", qPrintable(addressText),
                     port);
        return 1;
    }
    std::printf("tubescan-sim listening on %s port %u\n", qPrintable(address.toString()),
                static_cast<unsigned>(simulator.Port()));
    std::fflush(stdout);

    // The orientation sensor half.
    QFile prd(p.value(QStringLiteral("prd-device")));
    QTimer prdTimer;
    if (!prd.fileName().isEmpty()) {
        if (!prd.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered)) {
            std::fprintf(stderr, "tubescan-sim: cannot open %s: %s\n", qPrintable(prd.fileName()),
                         qPrintable(prd.errorString()));
            return 1;
        }
        QObject::connect(&prdTimer, &QTimer::timeout, [&] {
            const double t = simulator.Now();
            const auto& m = simulator.Model();
            const std::string record = sim::OrientationRecord(m.Pitch(t), m.Roll(t), m.Distance(t));
            prd.write(record.data(), static_cast<qint64>(record.size()));
        });
        prdTimer.start(std::max(1, static_cast<int>(number("prd-interval"))));
    }

    QTimer status;
    if (!p.isSet(QStringLiteral("quiet"))) {
        QObject::connect(&status, &QTimer::timeout, [&] {
            const Stats& s = simulator.GetStats();
            std::printf("commands %llu, replies %llu, faults %llu (split %llu, bad signature "
                        "%llu, garbage %llu, silent %llu, closed %llu), ignored %llu, "
                        "connections %llu\n",
                        s.commands, s.replies, s.Faults(), s.split, s.badSignature, s.garbage,
                        s.silent, s.closed, s.ignored, s.connections);
            std::fflush(stdout);
        });
        status.start(1000);
    }
    return app.exec();
}
