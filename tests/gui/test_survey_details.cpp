// Survey details in the running program: asked for when a recording starts
// without them (the recording goes on), written beside the recording, shown
// in the title bar, the crew's values remembered in the settings file, and a
// played recording's details corrected in place.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDeadlineTimer>
#include <QFile>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTimer>
#include <QValueAxis>

#include "../support/PipeSurvey.h"
#include "AppFixture.h"
#include "app/Pipe3DDock.h"
#include "app/PipeConditionPanel.h"
#include "app/SurveyCommands.h"
#include "app/SurveyDetailsDlg.h"
#include "app/UnrolledDock.h"
#include "doc/CommandIds.h"
#include "doc/CommandMap.h"
#include "survey/SurveyFile.h"
#include "view/Pipe3DScene.h"

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

// A recording NAME in DIR of the simulated pipe passing a quarter metre per
// revolution of 400 pings; its path.
std::string WriteQuarterMetreSurvey(const QTemporaryDir& dir, const char* name, int revolutions) {
    sim::PipeParams pipe;
    pipe.travelSpeed = 0.25 / (400 * pipesurvey::kPingPeriod);
    const std::string path = dir.filePath(name).toStdString();
    pipesurvey::WriteSurvey(path, pipe, 400 * revolutions);
    return path;
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

// The docks and Go To show the survey's units: a played recording whose
// details say imperial is shown in feet and inches although the Units
// setting says metres, Go To takes feet, and a change of units (the details
// corrected, the Units setting for a recording without details) reaches
// every dock at once.
TEST(SurveyDetailsProgram, DocksAndGoToFollowTheSurveysUnits) {
    QStandardPaths::setTestModeEnabled(true);
    QTemporaryDir dir;
    WriteTextFile(dir.filePath("TubescanL.INI"), QByteArray(kLoopbackSettings) + "Units=0\r\n");
    // 8.5 m of pipe.
    const std::string imperial = WriteQuarterMetreSurvey(dir, "us.31l", 34);
    const std::string plain = WriteQuarterMetreSurvey(dir, "plain.31l", 4);
    WriteTextFile(dir.filePath("us.survey.json"),
                  R"({"format":"tubescan-survey/1","pipe_reference":"US-1","units":"imperial"})");
    CTubescanApp app;
    KeepOffOtherHeads(app);
    ASSERT_TRUE(app.InitInstance({"tubescan"}, dir.path()));
    CTubescanDoc& doc = *app.Registry().document;
    CMainFrame& frame = *app.Registry().mainFrame;
    auto* panel = frame.findChild<PipeConditionPanel*>();
    auto* unrolled = frame.findChild<UnrolledDock*>();
    auto* pipe3d = frame.findChild<Pipe3DDock*>();
    ASSERT_TRUE(panel && unrolled && pipe3d);
    auto expectUnits = [&](units::System system, const char* axisUnit, const char* legendUnit) {
        EXPECT_EQ(panel->Units(), system);
        EXPECT_EQ(panel->AxisX()->titleText(), QStringLiteral("Distance (%1)").arg(axisUnit));
        EXPECT_EQ(unrolled->View()->Units(), system);
        EXPECT_EQ(unrolled->View()->LegendTexts().back(), legendUnit);
        EXPECT_EQ(pipe3d->Scene().LegendUnit(), legendUnit);
    };
    expectUnits(units::System::Metric, "m", "cm");

    ASSERT_TRUE(doc.OpenPlaybackPath(imperial));
    QApplication::processEvents();
    expectUnits(units::System::Imperial, "ft", "in");

    // Go To asks for feet and takes them: 25 ft is 7.62 m along the pipe.
    ASSERT_NE(doc.PlaybackFile().index, nullptr);
    doc.PlaybackFile().index->Wait();
    QString label;
    QTimer::singleShot(0, [&label] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* box = qobject_cast<QInputDialog*>(w); box && box->isVisible()) {
                label = box->labelText();
                box->setTextValue(QStringLiteral("25"));
                box->accept();
            }
    });
    ASSERT_TRUE(app.Commands().Run(cmd::kGoTo));
    EXPECT_TRUE(label.contains(QStringLiteral("(ft)"))) << label.toStdString();
    EXPECT_EQ(doc.PlaybackFile().oneFrame, 1);
    EXPECT_GE(doc.Sensors().distance, 25 * 0.3048);
    EXPECT_LE(doc.Sensors().distance, 25 * 0.3048 + 0.3);

    // The details corrected to metric: the docks follow at once.
    app.Survey()->OpenDialog();
    SurveyDetailsDlg* dlg = app.Survey()->Dialog();
    ASSERT_NE(dlg, nullptr);
    Type(*dlg, "units", "metric");
    dlg->OnOK();
    QApplication::processEvents();
    expectUnits(units::System::Metric, "m", "cm");
    // The survey's own units outweigh the setting...
    ASSERT_TRUE(app.Commands().Run(cmd::kUnitsFeet));
    QApplication::processEvents();
    expectUnits(units::System::Metric, "m", "cm");
    // ...which decides for a recording without details.
    ASSERT_TRUE(doc.OpenPlaybackPath(plain));
    QApplication::processEvents();
    expectUnits(units::System::Imperial, "ft", "in");
    ASSERT_TRUE(app.Commands().Run(cmd::kUnitsMeters));
    QApplication::processEvents();
    expectUnits(units::System::Metric, "m", "cm");
}

// A played recording whose details place its pipe: the point under the
// mouse in the 3D view is read out with its easting, northing and elevation
// in the details' system, near the pipe between its nodes; a recording
// without coordinates reads out the chainage alone, and leaving the pipe
// clears the read-out.
TEST(SurveyDetailsProgram, ThePipe3DReadOutPlacesThePointUnderTheMouse) {
    QStandardPaths::setTestModeEnabled(true);
    QTemporaryDir dir;
    WriteTextFile(dir.filePath("TubescanL.INI"), QByteArray(kLoopbackSettings));
    const std::string placed = WriteQuarterMetreSurvey(dir, "placed.31l", 12);
    const std::string plain = WriteQuarterMetreSurvey(dir, "plain.31l", 12);
    WriteTextFile(dir.filePath("placed.survey.json"),
                  R"({"format":"tubescan-survey/1","pipe_reference":"SW-12","crs":"EPSG:25832",)"
                  R"("height_mm":1000,"start_node_coordinates":{"x":500000,"y":5700000,"z":100},)"
                  R"("finish_node_coordinates":{"x":500030,"y":5700040,"z":99.5}})");
    CTubescanApp app;
    KeepOffOtherHeads(app);
    ASSERT_TRUE(app.InitInstance({"tubescan"}, dir.path()));
    CTubescanDoc& doc = *app.Registry().document;
    auto* dock = app.Registry().mainFrame->findChild<Pipe3DDock*>();
    ASSERT_NE(dock, nullptr);
    Pipe3DScene& scene = dock->Scene();

    // Played through; the rings reach the dock from the analysis's thread.
    const auto playThrough = [&](const std::string& path) {
        ASSERT_TRUE(doc.OpenPlaybackPath(path));
        QApplication::processEvents();
        std::uint64_t last = 0;
        while (doc.PlaybackFile().file.Position() >= last) {
            last = doc.PlaybackFile().file.Position();
            doc.ReadNextRecord();
        }
        QDeadlineTimer deadline(10000);
        while (scene.History().Rings().size() < 8 && !deadline.hasExpired())
            QApplication::processEvents(QEventLoop::AllEvents, 50);
        ASSERT_GE(scene.History().Rings().size(), 8u);
    };
    // Straight down onto the crown of a ring halfway along, as the scene
    // takes rays (centimetres, the length shortened as drawn).
    const auto hoverOnCrown = [&] {
        const analysis::PipeRing& ring =
            scene.History().Rings()[scene.History().Rings().size() / 2];
        const float z = static_cast<float>(ring.distance * 100.0 * scene.AxialScale());
        scene.hover({0, 300, z}, {0.1f, 300, z}, {0, 200, z}, {0.1f, 200, z});
        return ring.distance;
    };

    playThrough(placed);
    EXPECT_TRUE(dock->Placed());
    const double chainage = hoverOnCrown();
    const QString text = dock->Readout();
    EXPECT_TRUE(text.startsWith(QStringLiteral("Chainage %1 m").arg(chainage, 0, 'f', 2)))
        << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("ETRS89 / UTM zone 32N"))) << text.toStdString();
    // The crown of a 1 m pipe, chainage metres from the start node on a
    // line running 3 east to 4 north.
    const QRegularExpression numbers(
        QStringLiteral("E ([0-9.]+) m, N ([0-9.]+) m, elevation ([0-9.]+) m"));
    const QRegularExpressionMatch m = numbers.match(text);
    ASSERT_TRUE(m.hasMatch()) << text.toStdString();
    EXPECT_NEAR(m.captured(1).toDouble(), 500000 + 0.6 * chainage, 0.3);
    EXPECT_NEAR(m.captured(2).toDouble(), 5700000 + 0.8 * chainage, 0.3);
    EXPECT_NEAR(m.captured(3).toDouble(), 100 - 0.01 * chainage + 1.0, 0.1);
    scene.hoverEnd();
    EXPECT_TRUE(dock->Readout().isEmpty());

    playThrough(plain);
    EXPECT_FALSE(dock->Placed());
    hoverOnCrown();
    EXPECT_TRUE(dock->Readout().startsWith(QStringLiteral("Chainage")))
        << dock->Readout().toStdString();
    EXPECT_FALSE(dock->Readout().contains(QStringLiteral("E "))) << dock->Readout().toStdString();
}
