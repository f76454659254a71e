// File > "Compare With Recording..." in playback: the earlier recording of
// the pipe, made the other way, drawn dashed in the Pipe Condition chart on
// the distances of the recording being played. Live, the survey so far is
// lined up with it, again as it grows, and said to be uncertain until it is
// sure.
#include <gtest/gtest.h>

#include <cstdlib>

#include <QCoreApplication>
#include <QFileDialog>
#include <QLabel>
#include <QLineSeries>
#include <QPixmap>
#include <QValueAxis>

#include "../core/DataFileFixture.h"
#include "../support/ChangedPipe.h"
#include "../support/PipeSurvey.h"
#include "app/CompareCommands.h"
#include "app/CompareSession.h"
#include "app/PipeConditionPanel.h"
#include "app/UnrolledDock.h"

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
    CompareSession session{panel, nullptr};
    ASSERT_TRUE(CompareWithRecording(d.doc, nullptr, session, [&](QFileDialog& dialog) {
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

TEST(CompareRecording, LiveTheSurveySoFarIsLinedUpAgainAsItGrows) {
    using namespace changedpipe;
    DataDoc d;
    PipeConditionPanel panel{d.doc};
    UnrolledDock dock;
    CompareSession session{panel, &dock};
    EarlierSurvey earlier;
    earlier.scans = synthetic::Figures(PipeBefore(), Downstream());
    earlier.wall = std::make_shared<analysis::UnrolledByDistance>();
    // Nothing of the live survey yet: the earlier one on its own distances.
    EXPECT_FALSE(session.ShowLive(earlier, analysis::TravelDirection::Opposite));
    ASSERT_NE(panel.Earlier(0), nullptr);
    EXPECT_GT(panel.Earlier(0)->count(), 100);
    EXPECT_TRUE(dock.AlignmentState()->text().contains("not lined up yet"));

    // The live survey comes a metre at a time, as the worker hands it over.
    const std::vector<analysis::ScanFigures> live = synthetic::Figures(PipeAfter(), Upstream());
    constexpr std::size_t kPerMetre = 20; // scans 0.05 m apart
    QStringList states;
    for (std::size_t from = 0; from + kPerMetre <= 18 * kPerMetre; from += kPerMetre) {
        auto batch = std::make_shared<analysis::LiveBatch>();
        for (std::size_t k = from; k < from + kPerMetre; ++k)
            batch->scans.emplace_back().row.figures = live[k];
        session.TakeBatch(batch);
        ASSERT_TRUE(session.WaitForAlignment());
        states << dock.AlignmentState()->text();
    }
    // Aligned on the first metre, then every two.
    EXPECT_GE(session.Alignments(), 8);
    EXPECT_LE(session.Alignments(), 10);
    // Not trusted at first, trusted once enough of the pipe is seen.
    EXPECT_FALSE(states.front().startsWith("Lined up")) << states.join('\n').toStdString();
    EXPECT_TRUE(states.back().startsWith("Lined up")) << states.join('\n').toStdString();
    const analysis::Alignment& a = session.Alignment();
    EXPECT_TRUE(a.reversed);
    for (const double at : {2.0, 10.0, 16.0})
        EXPECT_NEAR(a.ToOlder(at), kPipeLength + kEarlyStart - at / kOdometerLong, 0.15) << at;
    // The chart's dashed survey follows: its far end lies where the live one began.
    double first = 1e9;
    for (const QPointF& p : panel.Earlier(0)->points())
        first = std::min(first, p.x());
    EXPECT_NEAR(first, a.ToNewer(kPipeLength), 0.2);

    // The units change: the offset is told again in feet, the alignment kept.
    dock.View()->SetUnits(units::System::Imperial);
    session.UnitsChanged();
    EXPECT_EQ(dock.AlignmentState()->text(), AlignmentStateText(a, units::System::Imperial));
    EXPECT_TRUE(dock.AlignmentState()->text().contains(" ft")) << states.back().toStdString();
}

} // namespace
