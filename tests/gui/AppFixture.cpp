#include "AppFixture.h"

#include <QFile>

void WriteTextFile(const QString& path, const QByteArray& text) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(text);
}

void KeepOffOtherHeads(CTubescanApp& app) {
    // A simulator someone runs on the usual port is not this test's head.
    app.m_beforeConnect = [](SonarHost& host) { host.SetHeadPort(kNoHeadPort); };
}

void AppFixture::SetUp() {
    // Window state goes to a test folder, never the user's own.
    QStandardPaths::setTestModeEnabled(true);
    ASSERT_TRUE(dir.isValid());
    WriteTextFile(dir.filePath("TubescanL.INI"), kLoopbackSettings);
    app = std::make_unique<CTubescanApp>();
    KeepOffOtherHeads(*app);
    ASSERT_TRUE(app->InitInstance({"tubescan"}, dir.path()));
    ASSERT_NE(app->Registry().mainFrame, nullptr);
}

void AppFixture::TearDown() {
    app.reset();
}
