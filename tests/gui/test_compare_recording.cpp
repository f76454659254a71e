// File > "Compare With Recording..." in playback: the earlier recording of
// the pipe, made the other way, drawn dashed in the Pipe Condition chart on
// the distances of the recording being played.
#include <gtest/gtest.h>

#include <cstdlib>

#include <QCoreApplication>
#include <QFileDialog>
#include <QLineSeries>
#include <QPixmap>
#include <QValueAxis>

#include "../core/DataFileFixture.h"
#include "../support/PipeSurvey.h"
#include "app/CompareCommands.h"
#include "app/PipeConditionPanel.h"

namespace {

constexpr double kFeatureFrom = 3.0, kFeatureTo = 3.6; // a 4 % oval place, pipe metres
constexpr double kLength = 10.0, kEarly = 0.4, kOdometer = 1.025;

sim::PipeParams Pipe() {
    sim::PipeParams p;
    p.travelSpeed = 0.1 / (400 * pipesurvey::kPingPeriod);
    p.ovality = 0.005;
    p.ovalStretches = {
        {1.0, 1.4, 0.02}, {kFeatureFrom, kFeatureTo, 0.04}, {6.0, 6.8, 0.02}, {8.5, 8.8, 0.03}};
    return p;
}

TEST(CompareRecording, TheEarlierSurveyIsDrawnDashedWhereItsFeaturesLieOnThisOne) {
    DataDoc d;
    const int records = static_cast<int>(kLength / Pipe().travelSpeed / pipesurvey::kPingPeriod);
    sim::PipeParams back = Pipe();
    back.startAt = kLength + kEarly;
    back.travelDirection = -1.0;
    back.odometerScale = kOdometer;
    const std::string earlier = d.dir.File("earlier.31l"), current = d.dir.File("current.31l");
    pipesurvey::WriteSurvey(earlier, Pipe(), records);
    pipesurvey::WriteSurvey(current, back, records);
    d.dir.Write("earlier.survey.json", R"({"start_node":"MH1","finish_node":"MH2"})");
    d.dir.Write("current.survey.json", R"({"start_node":"MH2","finish_node":"MH1"})");
    ASSERT_TRUE(d.doc.OpenPlaybackPath(current));

    PipeConditionPanel panel{d.doc};
    ASSERT_TRUE(CompareWithRecording(d.doc, nullptr, panel, [&](QFileDialog& dialog) {
        dialog.selectFile(QString::fromStdString(earlier));
        return true;
    }));
    ASSERT_NE(panel.Earlier(0), nullptr);
    const QList<QPointF> ovality = panel.Earlier(0)->points();
    ASSERT_GT(ovality.size(), 50);
    EXPECT_EQ(panel.Earlier(0)->pen().style(), Qt::DashLine);
    // The earlier survey's most oval place lies where the played one's
    // odometer passed it: going back from 10.4 m, 2.5 % long.
    QPointF worst = ovality.front();
    for (const QPointF& p : ovality)
        if (p.y() > worst.y()) worst = p;
    const double middle = (kFeatureFrom + kFeatureTo) / 2;
    EXPECT_NEAR(worst.x(), kOdometer * (kLength + kEarly - middle), 0.4);
    // Drawn where the chart shows it, before the played survey has any scan.
    EXPECT_LE(panel.AxisX()->min(), worst.x());
    EXPECT_GE(panel.AxisX()->max(), worst.x());
    // For a look by eye: TUBESCAN_PICTURE_DIR=... writes the panel there.
    if (const char* dir = std::getenv("TUBESCAN_PICTURE_DIR")) {
        panel.resize(520, 760);
        panel.show();
        QCoreApplication::processEvents();
        panel.grab().save(QString::fromLocal8Bit(dir) + QStringLiteral("/compare-panel.png"));
    }
    ASSERT_FALSE(d.messages.empty());
    EXPECT_NE(d.messages.back().find("made the other way"), std::string::npos) << d.messages.back();
}

} // namespace
