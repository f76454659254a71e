// The real executable, copied into a scratch folder beside its own settings
// file, leaves in order on SIGTERM and SIGINT.
#include <gtest/gtest.h>

#include <csignal>

#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

#include "AppFixture.h"

namespace {

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

class ProgramExit : public ::testing::TestWithParam<int> {};

} // namespace

TEST_P(ProgramExit, SignalSavesTheSettingsFileAndExitsZero) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString exe = dir.filePath("tubescan");
    ASSERT_TRUE(QFile::copy(TUBESCAN_EXE, exe));
    const QString ini = dir.filePath("TubescanL.INI");
    WriteTextFile(ini,
                  QByteArray(kLoopbackSettings) + "; kept: a line the program does not own\r\n");

    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("TUBESCAN_LOOPBACK_ONLY", "1");
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("XDG_CONFIG_HOME", dir.filePath("config")); // window state stays here
    program.setProcessEnvironment(env);
    program.setWorkingDirectory(dir.path());
    program.start(exe, {});
    ASSERT_TRUE(program.waitForStarted(10000));
    // Start-up is over when the program names its settings file.
    QByteArray out;
    while (!out.contains('\n') && program.waitForReadyRead(10000))
        out += program.readAllStandardOutput();
    ASSERT_TRUE(out.contains(ini.toUtf8())) << out.constData();

    ::kill(static_cast<pid_t>(program.processId()), GetParam());
    ASSERT_TRUE(program.waitForFinished(10000));
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), 0) << program.readAllStandardError().constData();

    const QByteArray saved = ReadAll(ini);
    EXPECT_TRUE(saved.contains("IP Address=127.0.0.1"));
    EXPECT_TRUE(saved.contains("Output UDP Address=127.0.0.1"));
    EXPECT_TRUE(saved.contains("Zoom=1.00")) << "the document's save runs on the way out";
    EXPECT_TRUE(saved.contains("; kept: a line the program does not own"));
    EXPECT_TRUE(QFile::exists(dir.filePath("config/Vantorel/TubescanL.conf")));
}

// "tubescan rec" where rec.31l exists asks before replacing it, before the
// main event loop runs: a signal then still ends the program in order, the
// settings saved and the recording left as it was.
TEST_P(ProgramExit, SignalDuringTheReplaceQuestionSavesTheSettingsAndKeepsTheRecording) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString exe = dir.filePath("tubescan");
    ASSERT_TRUE(QFile::copy(TUBESCAN_EXE, exe));
    const QString ini = dir.filePath("TubescanL.INI");
    WriteTextFile(ini, QByteArray(kLoopbackSettings));
    const QByteArray earlier(300, 'r');
    WriteTextFile(dir.filePath("rec.31l"), earlier);

    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("TUBESCAN_LOOPBACK_ONLY", "1");
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("XDG_CONFIG_HOME", dir.filePath("config"));
    program.setProcessEnvironment(env);
    program.setWorkingDirectory(dir.path());
    program.start(exe, {"rec"});
    ASSERT_TRUE(program.waitForStarted(10000));
    program.setReadChannel(QProcess::StandardError);
    QByteArray err;
    while (!err.contains("waiting for an answer") && program.waitForReadyRead(10000))
        err += program.readAllStandardError();
    if (!err.contains("rec.31l already exists")) program.kill(), program.waitForFinished(5000);
    ASSERT_TRUE(err.contains("rec.31l already exists")) << err.constData();

    ::kill(static_cast<pid_t>(program.processId()), GetParam());
    const bool ended = program.waitForFinished(10000);
    if (!ended) program.kill(), program.waitForFinished(5000);
    ASSERT_TRUE(ended) << "the signal was not heard while the question was open";
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), 0) << program.readAllStandardError().constData();
    EXPECT_TRUE(ReadAll(ini).contains("Zoom=1.00")) << "the document's save runs on the way out";
    EXPECT_EQ(ReadAll(dir.filePath("rec.31l")), earlier);
}

INSTANTIATE_TEST_SUITE_P(Signals, ProgramExit, ::testing::Values(SIGTERM, SIGINT),
                         [](const auto& info) { return info.param == SIGTERM ? "Term" : "Int"; });

// --help and --version answer on a terminal without any display (the platform
// named here cannot start), and a wrong option ends the program before it
// reads or writes a settings file.
TEST(ProgramCommandLine, HelpAndVersionNeedNoDisplayAndWrongOptionsStartNothing) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString exe = dir.filePath("tubescan");
    ASSERT_TRUE(QFile::copy(TUBESCAN_EXE, exe));
    auto run = [&](const QStringList& arguments, const char* platform) {
        QProcess program;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove("DISPLAY");
        env.remove("WAYLAND_DISPLAY");
        env.insert("QT_QPA_PLATFORM", platform);
        env.insert("TUBESCAN_LOOPBACK_ONLY", "1");
        env.insert("XDG_CONFIG_HOME", dir.filePath("config"));
        program.setProcessEnvironment(env);
        program.setWorkingDirectory(dir.path());
        program.start(exe, arguments);
        EXPECT_TRUE(program.waitForFinished(10000)) << arguments.join(' ').toStdString();
        return std::make_pair(program.exitCode(),
                              program.readAllStandardOutput() + program.readAllStandardError());
    };
    const auto [versionCode, version] = run({"--version"}, "xcb");
    EXPECT_EQ(versionCode, 0) << version.constData();
    EXPECT_EQ(version, QByteArray("TubescanL " TUBESCAN_VERSION "\n"));
    const auto [helpCode, help] = run({"--help"}, "xcb");
    EXPECT_EQ(helpCode, 0) << help.constData();
    EXPECT_TRUE(help.contains("[file]") && help.contains("--version")) << help.constData();
    const auto [wrongCode, wrong] = run({"--no-such-option", "pipe.dat"}, "offscreen");
    EXPECT_NE(wrongCode, 0);
    EXPECT_TRUE(wrong.contains("no-such-option")) << wrong.constData();
    EXPECT_FALSE(QFile::exists(dir.filePath("TubescanL.INI")));
    EXPECT_FALSE(QFile::exists(dir.filePath("pipe.31l")));
}
