// A screen reader asking a window for all its properties at once: with
// accessibility on (a private session bus and accessibility bus, a private X
// server), the window must answer, or refuse, and keep running. Without the
// guard Qt 6.4's bridge ends the program with SIGSEGV on the first GetAll.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>
#include <QTemporaryDir>

#include <string>

namespace {

QString Tool(const char* name) {
    return QStandardPaths::findExecutable(QString::fromLatin1(name));
}

QString BusLauncher() {
    for (const char* path :
         {"/usr/libexec/at-spi-bus-launcher", "/usr/lib/at-spi2-core/at-spi-bus-launcher"})
        if (QFileInfo(QString::fromLatin1(path)).isExecutable()) return QString::fromLatin1(path);
    return {};
}

// The script's answers for one program, run as the session would run it,
// with the caller's accessibility bus address (where one is set) left in.
std::string AskAllProperties(const QString& program, const QString& dir,
                             const QString& callersBus = {}) {
    QProcess run;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    if (!callersBus.isEmpty()) env.insert("AT_SPI_BUS_ADDRESS", callersBus);
    env.insert("TUBESCAN_LOOPBACK_ONLY", "1");
    env.insert("AT_SPI_BUS_LAUNCHER", BusLauncher());
    env.insert("XDG_CONFIG_HOME", dir + "/config");
    env.insert("XDG_RUNTIME_DIR", dir);
    env.insert("HOME", dir); // the accessibility bus keeps its socket under it
    env.remove("DISPLAY");
    env.remove("DBUS_SESSION_BUS_ADDRESS");
    run.setProcessEnvironment(env);
    run.setWorkingDirectory(dir);
    run.setProcessChannelMode(QProcess::MergedChannels);
    // Under timeout, which ends its whole process group when the time is up:
    // the bus, the X server and the program with them, not only the first of
    // them (a program left behind blocked in a bus call outlived the test).
    run.start(Tool("timeout"),
              {"--kill-after=10", "200", Tool("dbus-run-session"), "--", Tool("xvfb-run"), "-a",
               "bash", QStringLiteral(A11Y_SCRIPT), program});
    if (!run.waitForFinished(230'000)) {
        run.kill();
        run.waitForFinished(5000);
    }
    return run.readAll().toStdString();
}

} // namespace

TEST(Accessibility, GetAllOnTheRootAccessibleKeepsTheProgramRunning) {
    for (const char* tool :
         {"timeout", "dbus-run-session", "dbus-daemon", "xvfb-run", "busctl", "bash"})
        if (Tool(tool).isEmpty())
            GTEST_SKIP() << tool << " is not installed (scripts/install-deps.sh installs it)";
    if (BusLauncher().isEmpty())
        GTEST_SKIP() << "at-spi-bus-launcher is not installed (package at-spi2-core)";

    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    // The program beside a settings file that keeps the head and the UDP
    // output on loopback; the bare window with the guard alone.
    const QString exe = dir.filePath("tubescan");
    QFile::copy(TUBESCAN_EXE, exe);
    QFile ini(dir.filePath("TubescanL.INI"));
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
    ini.write("[System Settings]\r\nIP Address=127.0.0.1\r\nOutput UDP Address=127.0.0.1\r\n"
              "Enable UDP Output XYZ=0\r\nSettingsDlgVisible=0\r\nDiagnostics Visible=0\r\n");
    ini.close();

    // The program itself where it has been built (the full build and CI
    // build it; the bare window is enough to show the guard at work).
    QStringList programs{QStringLiteral(A11Y_PROBE)};
    if (QFileInfo(exe).isExecutable()) programs << exe;

    // Another session's accessibility bus, with another program on it, named
    // in the environment the test runs in: the program must still be asked
    // on its own bus, whatever others do on that one.
    QProcess otherBus;
    otherBus.start(Tool("dbus-daemon"), {"--session", "--nofork", "--print-address"});
    ASSERT_TRUE(otherBus.waitForReadyRead(10'000));
    const QString otherAddress = QString::fromUtf8(otherBus.readLine()).trimmed();
    ASSERT_FALSE(otherAddress.isEmpty());
    QProcess otherClient;
    otherClient.start(Tool("busctl"), {"--address=" + otherAddress, "monitor"});

    for (const QString& program : programs)
        for (const QString& callersBus : {QString(), otherAddress}) {
            SCOPED_TRACE(program.toStdString() + " with the caller's bus " +
                         callersBus.toStdString());
            const std::string said = AskAllProperties(program, dir.path(), callersBus);
            // Refused with an error, not a connection that vanished.
            EXPECT_NE(said.find("getall: Call failed: TubescanL answers Get"), std::string::npos)
                << said;
            EXPECT_EQ(said.find("disconnected"), std::string::npos) << said;
            // A screen reader still reads the window one property at a time.
            EXPECT_NE(said.find("name: v s \""), std::string::npos) << said;
            EXPECT_NE(said.find("role: s \"application\""), std::string::npos) << said;
            EXPECT_NE(said.find("\nalive"), std::string::npos) << said;
            // And it closes when asked, as a session's end asks it.
            EXPECT_EQ(said.find("ignored SIGTERM"), std::string::npos) << said;
        }
    otherClient.kill();
    otherClient.waitForFinished(5000);
    otherBus.kill();
    otherBus.waitForFinished(5000);
}

// An accessibility service that owns its name on the session bus and never
// answers (another client holding it, a wedged service): Qt's bridge would
// wait 25 s per question on the window's thread, the window would not come
// up and SIGTERM would go unhandled. The program must start without the
// bridge, say so, and end on SIGTERM through its own handler (status 0, not
// the signal's default end).
TEST(Accessibility, AWedgedAccessibilityBusNeitherHangsStartNorBlocksSigterm) {
    for (const char* tool : {"timeout", "dbus-run-session", "xvfb-run", "busctl", "bash"})
        if (Tool(tool).isEmpty())
            GTEST_SKIP() << tool << " is not installed (scripts/install-deps.sh installs it)";
    if (!QFileInfo(QStringLiteral(TUBESCAN_EXE)).isExecutable())
        GTEST_SKIP() << "the program is not built (build the tubescan target)";

    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString exe = dir.filePath("tubescan");
    ASSERT_TRUE(QFile::copy(TUBESCAN_EXE, exe));
    QFile ini(dir.filePath("TubescanL.INI"));
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
    ini.write("[System Settings]\r\nIP Address=127.0.0.1\r\nOutput UDP Address=127.0.0.1\r\n"
              "Enable UDP Output XYZ=0\r\nSettingsDlgVisible=0\r\nDiagnostics Visible=0\r\n");
    ini.close();

    QProcess run;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("TUBESCAN_LOOPBACK_ONLY", "1");
    env.insert("XDG_CONFIG_HOME", dir.path() + "/config");
    env.insert("XDG_RUNTIME_DIR", dir.path());
    env.insert("HOME", dir.path());
    env.remove("DISPLAY");
    env.remove("DBUS_SESSION_BUS_ADDRESS");
    env.remove("AT_SPI_BUS_ADDRESS");
    run.setProcessEnvironment(env);
    run.setWorkingDirectory(dir.path());
    run.setProcessChannelMode(QProcess::MergedChannels);
    run.start(Tool("timeout"),
              {"--kill-after=10", "120", Tool("dbus-run-session"), "--", Tool("xvfb-run"), "-a",
               "bash", QStringLiteral(A11Y_WEDGED_SCRIPT), QStringLiteral(A11Y_WEDGED_BUS), exe});
    if (!run.waitForFinished(150'000)) {
        run.kill();
        run.waitForFinished(5000);
    }
    const std::string said = run.readAll().toStdString();
    EXPECT_EQ(said.find("ignored SIGTERM"), std::string::npos) << said;
    EXPECT_NE(said.find("\nended 0"), std::string::npos) << said;
    EXPECT_NE(said.find("accessibility bus did not answer"), std::string::npos) << said;
}
