// The real application started in-process on a scratch folder whose settings
// file points every address at loopback.
#pragma once

#include <gtest/gtest.h>

#include <memory>

#include <QStandardPaths>
#include <QTemporaryDir>

#include "app/MainFrame.h"
#include "app/TubescanApp.h"
#include "doc/TubescanDoc.h"
#include "link/SonarHost.h"

inline const char* kLoopbackSettings = "[System Settings]\r\n"
                                       "IP Address=127.0.0.1\r\n"
                                       "Output UDP Address=127.0.0.1\r\n"
                                       "Enable UDP Output XYZ=0\r\n"
                                       "SettingsDlgVisible=0\r\n"
                                       "Diagnostics Visible=0\r\n";

void WriteTextFile(const QString& path, const QByteArray& text);

// A loopback port where no head listens: the program keeps trying to connect.
inline constexpr int kNoHeadPort = 1;
void KeepOffOtherHeads(CTubescanApp& app);

class AppFixture : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    CMainFrame& Frame() { return *app->Registry().mainFrame; }
    CTubescanDoc& Doc() { return *app->Registry().document; }

    QTemporaryDir dir;
    std::unique_ptr<CTubescanApp> app;
};
