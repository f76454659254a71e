// Survey details in the running program: asked for when a recording starts
// without them (the recording goes on), written beside the recording, shown
// in the title bar, the crew's values remembered in the settings file, and a
// played recording's details corrected in place.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "../support/PipeSurvey.h"
#include "AppFixture.h"
#include "app/SurveyCommands.h"
#include "app/SurveyDetailsDlg.h"
#include "survey/SurveyFile.h"

namespace {

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void Type(SurveyDetailsDlg& dlg, const char* key, const QString& text) {
    QWidget* field = dlg.Field(key);
    ASSERT_NE(field, nullptr) << key;
    if (auto* combo = qobject_cast<QComboBox*>(field)) {
        combo->setCurrentText(text);
        combo->setCurrentIndex(combo->findText(text));
    } else {
        qobject_cast<QLineEdit*>(field)->setText(text);
    }
}

} // namespace

TEST(SurveyDetailsProgram, RecordingAsksForTheNeededDetailsWritesThemAndRemembersTheCrew) {
    QStandardPaths::setTestModeEnabled(true);
    QTemporaryDir dir;
    const QString ini = dir.filePath("TubescanL.INI");
    WriteTextFile(ini, QByteArray(kLoopbackSettings) +
                           "; the crew's own line\r\n[Survey Details]\r\nInspector=A. Inspector\r\n"
                           "Units=imperial\r\n");
    CTubescanApp app;
    KeepOffOtherHeads(app);
    ASSERT_TRUE(app.InitInstance({"tubescan", dir.filePath("run.dat")}, dir.path()));
    CTubescanDoc& doc = *app.Registry().document;
    ASSERT_TRUE(doc.Recorder().Active());

    // Written at once, with what is known: the crew's remembered values.
    const std::string sidecar = dir.filePath("run.survey.json").toStdString();
    survey::LoadResult written = survey::LoadSurveyFile(sidecar);
    ASSERT_TRUE(written.present);
    ASSERT_EQ(written.error, "");
    EXPECT_EQ(written.details.inspector, "A. Inspector");
    EXPECT_EQ(written.details.units, "imperial");

    // The pipe and nodes are missing: the dialog asks, offering to go on without.
    SurveyDetailsDlg* dlg = app.Survey()->Dialog();
    ASSERT_NE(dlg, nullptr);
    EXPECT_TRUE(dlg->isVisible());
    EXPECT_EQ(dlg->findChild<QPushButton*>("survey_cancel")->text(), "Record without details");
    QStringList refusals;
    dlg->showMessage = [&](const QString& t) { refusals << t; };

    Type(*dlg, "pipe_reference", "SW-12");
    Type(*dlg, "start_node", "MH1");
    Type(*dlg, "finish_node", "MH2");
    Type(*dlg, "direction", "downstream");
    Type(*dlg, "inspector", "B. Crew");
    Type(*dlg, "height_mm", "3 m");
    dlg->OnOK();
    ASSERT_EQ(refusals.size(), 1);
    EXPECT_TRUE(refusals[0].startsWith("Height")) << refusals[0].toStdString();
    EXPECT_TRUE(dlg->isVisible()) << "a refused value keeps the dialog open";
    Type(*dlg, "height_mm", "300");
    Type(*dlg, "pipe_reference", QString(65, 'P'));
    dlg->OnOK();
    ASSERT_EQ(refusals.size(), 2);
    Type(*dlg, "pipe_reference", "SW-12");
    dlg->OnOK();
    EXPECT_EQ(refusals.size(), 2);
    QApplication::processEvents();
    EXPECT_TRUE(doc.Recorder().Active()) << "the recording never waits on the details";

    written = survey::LoadSurveyFile(sidecar);
    ASSERT_EQ(written.error, "");
    EXPECT_EQ(written.details.pipeReference, "SW-12");
    EXPECT_EQ(written.details.direction, "downstream");
    EXPECT_EQ(written.details.heightMm, 300.0);
    EXPECT_EQ(written.details.inspector, "B. Crew");
    EXPECT_TRUE(app.Registry().mainFrame->windowTitle().endsWith(" - Pipe SW-12: MH1 to MH2"))
        << app.Registry().mainFrame->windowTitle().toStdString();

    // The crew's values are in the settings file; the lines the program does
    // not own are as they were.
    const QByteArray settings = ReadAll(ini);
    EXPECT_TRUE(settings.contains("Inspector=B. Crew\r\n")) << settings.toStdString();
    EXPECT_TRUE(settings.contains("; the crew's own line\r\n"));
    EXPECT_TRUE(settings.contains("IP Address=127.0.0.1\r\n"));

    // Stopped, the title no longer names the pipe.
    doc.StopRecording();
    QApplication::processEvents();
    EXPECT_FALSE(app.Registry().mainFrame->windowTitle().contains("SW-12"));
}

TEST(SurveyDetailsProgram, PlayedRecordingShowsItsDetailsAndTakesCorrections) {
    QStandardPaths::setTestModeEnabled(true);
    QTemporaryDir dir;
    WriteTextFile(dir.filePath("TubescanL.INI"),
                  QByteArray(kLoopbackSettings) + "[Survey Details]\r\nInspector=Live Crew\r\n");
    const std::string recording = dir.filePath("pipe.31l").toStdString();
    pipesurvey::WriteSurvey(recording, sim::PipeParams{}, 200);
    WriteTextFile(dir.filePath("pipe.survey.json"),
                  R"({"format":"tubescan-survey/1","pipe_reference":"W-7","start_node":"A",)"
                  R"("finish_node":"B","inspector":"Old Crew","x_gis":{"id":42}})");
    CTubescanApp app;
    KeepOffOtherHeads(app);
    ASSERT_TRUE(app.InitInstance({"tubescan"}, dir.path()));
    CTubescanDoc& doc = *app.Registry().document;
    ASSERT_TRUE(doc.OpenPlaybackPath(recording));
    QApplication::processEvents();
    EXPECT_TRUE(app.Registry().mainFrame->windowTitle().endsWith(" - Pipe W-7: A to B"))
        << app.Registry().mainFrame->windowTitle().toStdString();

    app.Survey()->OpenDialog();
    SurveyDetailsDlg* dlg = app.Survey()->Dialog();
    ASSERT_NE(dlg, nullptr);
    EXPECT_EQ(qobject_cast<QLineEdit*>(dlg->Field("inspector"))->text(), "Old Crew");
    Type(*dlg, "finish_node", "C");
    dlg->OnOK();
    QApplication::processEvents();

    const survey::LoadResult corrected =
        survey::LoadSurveyFile(dir.filePath("pipe.survey.json").toStdString());
    ASSERT_EQ(corrected.error, "");
    EXPECT_EQ(corrected.details.finishNode, "C");
    EXPECT_EQ(corrected.details.otherKeys.at("x_gis"), R"({"id":42})");
    EXPECT_TRUE(app.Registry().mainFrame->windowTitle().endsWith(" - Pipe W-7: A to C"));
    // An old recording's inspector is not the crew's next one.
    EXPECT_TRUE(ReadAll(dir.filePath("TubescanL.INI")).contains("Inspector=Live Crew"));
}

// Details a crew wrote beside the recording before it started (from the
// asset register, say) are kept when recording starts; the crew's remembered
// values only fill what they leave empty. A file that cannot be read is left
// as it was rather than replaced.
TEST(SurveyDetailsProgram, DetailsPreparedBesideTheRecordingAreKeptWhenItStarts) {
    QStandardPaths::setTestModeEnabled(true);
    QTemporaryDir dir;
    WriteTextFile(dir.filePath("TubescanL.INI"),
                  QByteArray(kLoopbackSettings) + "[Survey Details]\r\nInspector=A. Inspector\r\n");
    WriteTextFile(dir.filePath("run.survey.json"),
                  R"({"format":"tubescan-survey/1","pipe_reference":"SW-9","start_node":"N1",)"
                  R"("finish_node":"N2","direction":"upstream","water_temperature_c":10,)"
                  R"("x_asset":{"id":7}})");
    WriteTextFile(dir.filePath("bad.survey.json"), "{\"height_mm\":\"tall\"}");
    {
        CTubescanApp app;
        KeepOffOtherHeads(app);
        ASSERT_TRUE(app.InitInstance({"tubescan", dir.filePath("run.dat")}, dir.path()));
        ASSERT_TRUE(app.Registry().document->Recorder().Active());
    }
    const survey::LoadResult kept =
        survey::LoadSurveyFile(dir.filePath("run.survey.json").toStdString());
    ASSERT_EQ(kept.error, "");
    EXPECT_EQ(kept.details.pipeReference, "SW-9");
    EXPECT_EQ(kept.details.direction, "upstream");
    ASSERT_TRUE(kept.details.waterTemperatureC);
    EXPECT_DOUBLE_EQ(*kept.details.waterTemperatureC, 10.0);
    EXPECT_EQ(kept.details.inspector, "A. Inspector");
    EXPECT_EQ(kept.details.otherKeys.count("x_asset"), 1u);

    {
        CTubescanApp app;
        KeepOffOtherHeads(app);
        ASSERT_TRUE(app.InitInstance({"tubescan", dir.filePath("bad.dat")}, dir.path()));
    }
    EXPECT_EQ(ReadAll(dir.filePath("bad.survey.json")), QByteArray("{\"height_mm\":\"tall\"}"));
}
