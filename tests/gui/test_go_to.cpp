#include <gtest/gtest.h>

#include <QChart>
#include <QChartView>
#include <QCoreApplication>
#include <QLineSeries>
#include <QListWidget>
#include <QScatterSeries>
#include <QSlider>
#include <QTest>
#include <QValueAxis>

#include <tuple>

#include "../core/DataFileFixture.h"
#include "../support/PipeSurvey.h"
#include "app/PipeConditionPanel.h"
#include "app/PlaybackBar.h"
#include "doc/ConditionOutput.h"
#include "link/LiveAnalysisWorker.h"

namespace {

// A recording of the simulated head in a pipe with a debris mound from 6 to
// 9 m, a quarter metre along the pipe per revolution, played through once so
// the live analysis has analysed every scan and the panel shown it; the index
// read.
struct SurveyedPanel : DataDoc {
    LiveAnalysisWorker live{[this] { return NominalPipeOf(doc); }};
    PipeConditionPanel panel{doc};
    SurveyedPanel() {
        doc.Outputs().SetSampleSink(live.Sink());
        QObject::connect(&live, &LiveAnalysisWorker::batchReady, &panel,
                         &PipeConditionPanel::TakeBatch);
        sim::PipeParams pipe;
        pipe.travelSpeed = 0.25 / (400 * pipesurvey::kPingPeriod);
        pipe.debrisStretches = {{6.0, 9.0, 0.15}};
        const std::string path = dir.File("pipe.31l");
        pipesurvey::WriteSurvey(path, pipe, 400 * 34);
        doc.SetIndexPlayback(true);
        EXPECT_TRUE(doc.OpenPlaybackPath(path));
        doc.PlaybackFile().index->Wait();
        std::uint64_t last = 0;
        while (doc.PlaybackFile().file.Position() >= last) {
            last = doc.PlaybackFile().file.Position();
            doc.ReadNextRecord();
        }
        EXPECT_TRUE(live.Flush());
        panel.resize(500, 800);
        panel.show();
        QCoreApplication::processEvents();
    }
    // The drawn scan holds the place: its last record lies at or after it,
    // less than a revolution on.
    void ExpectLandedAt(double metres) const {
        EXPECT_EQ(doc.PlaybackFile().oneFrame, 1);
        EXPECT_GE(doc.Sensors().distance, metres);
        EXPECT_LE(doc.Sensors().distance, metres + 0.3);
    }
};

} // namespace

TEST(GoToFromThePanel, PlotClickLandsOnTheScanAtThatDistance) {
    SurveyedPanel s;
    ASSERT_GT(s.panel.Scans(), 25u);
    QChartView* view = s.panel.PlotView();
    QChart* chart = view->chart();
    const auto* series = qobject_cast<QLineSeries*>(chart->series().front());
    for (double metres : {1.6, 4.2, 7.35}) {
        SCOPED_TRACE(metres);
        const QPointF inChart = chart->mapToPosition(QPointF(metres, 1.0), chart->series().front());
        const QPoint pos = view->mapFromScene(chart->mapToScene(inChart));
        EXPECT_NEAR(s.panel.PlotDistanceAt(pos), metres, 0.05);
        ASSERT_NE(series, nullptr);
        s.doc.PlaybackFile().oneFrame = 0;
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, pos);
        s.ExpectLandedAt(s.panel.PlotDistanceAt(pos));
    }
}

TEST(GoToFromThePanel, FindingsListTheDebrisAndAClickShowsItsWorstScan) {
    SurveyedPanel s;
    QListWidget* list = s.panel.FindingsList();
    QListWidgetItem* worst = nullptr;
    QListWidgetItem* stretch = nullptr;
    for (int i = 0; i < list->count(); ++i) {
        if (list->item(i)->text().startsWith(QStringLiteral("Worst debris"))) worst = list->item(i);
        if (list->item(i)->text().startsWith(QStringLiteral("Debris "))) stretch = list->item(i);
    }
    ASSERT_NE(worst, nullptr);
    ASSERT_NE(stretch, nullptr) << "the mound is over the 0.02 m threshold";
    const double at = worst->data(Qt::UserRole).toDouble();
    EXPECT_GT(at, 6.0);
    EXPECT_LT(at, 9.0);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(worst).center());
    s.ExpectLandedAt(at);
}

TEST(GoToFromThePanel, SliderTooltipGivesTimeAndDistance) {
    SurveyedPanel s;
    QWidget focus;
    CPlaybackBar bar(s.doc, &focus);
    bar.Setup();
    // Half way through: 09:00:00 plus half of 34 revolutions of 20 s, and
    // half of 8.5 m.
    const QString tip = bar.TipAt(50);
    EXPECT_TRUE(tip.contains(QStringLiteral("09:05:4"))) << tip.toStdString();
    EXPECT_TRUE(tip.contains(QStringLiteral(" 4.2"))) << tip.toStdString();
}

// An imperial survey: every figure, the plot's distances and debris depths
// and the findings in feet and inches; a click on the plot at 25 ft goes to
// 7.62 m; back in metric every text is as it was, without a restart.
TEST(GoToFromThePanel, ImperialPanelReadsInFeetAndInchesAndItsClicksLand) {
    SurveyedPanel s;
    const analysis::ScanFigures& f = s.panel.LastScan();
    const QStringList metric = s.panel.FigureTexts();
    QStringList metricFindings;
    for (int i = 0; i < s.panel.FindingsList()->count(); ++i)
        metricFindings << s.panel.FindingsList()->item(i)->text();
    ASSERT_TRUE(metric[1].endsWith(QStringLiteral(" m"))) << metric[1].toStdString();

    s.panel.SetUnits(units::System::Imperial);
    QCoreApplication::processEvents();
    const QStringList texts = s.panel.FigureTexts();
    constexpr double kFoot = 0.3048, kInch = 0.0254;
    EXPECT_EQ(texts[1], QString::number(f.distance / kFoot, 'f', 2) + QStringLiteral(" ft"));
    EXPECT_TRUE(texts[4].startsWith(QStringLiteral("mean ") +
                                    QString::number(f.meanDiameter / kInch, 'f', 2) +
                                    QStringLiteral(" in")))
        << texts[4].toStdString();
    EXPECT_TRUE(texts[6].endsWith(QString::number(f.nominalArea / (kFoot * kFoot), 'f', 3) +
                                  QStringLiteral(" ft\u00B2")))
        << texts[6].toStdString();
    EXPECT_TRUE(texts[9].endsWith(QStringLiteral(" ft\u00B3"))) << texts[9].toStdString();
    for (const QString& t : texts)
        EXPECT_FALSE(t.endsWith(QStringLiteral(" m")) || t.contains(QStringLiteral(" m\u00B2")))
            << t.toStdString();
    EXPECT_EQ(s.panel.AxisX()->titleText(), QStringLiteral("Distance (ft)"));
    EXPECT_NEAR(s.panel.AxisX()->max(), 8.5 / kFoot, 2.0);

    // The debris mound (0.15 m deep from 6 to 9 m) is plotted in inches at
    // its distance in feet.
    const auto* debris = qobject_cast<QLineSeries*>(s.panel.PlotView()->chart()->series()[2]);
    ASSERT_NE(debris, nullptr);
    EXPECT_EQ(debris->name(), QStringLiteral("Debris depth in"));
    double deepest = 0.0, deepestAt = 0.0;
    for (const QPointF& p : debris->points())
        if (p.y() > deepest) std::tie(deepest, deepestAt) = std::make_pair(p.y(), p.x());
    EXPECT_NEAR(deepest, 0.15 / kInch, 0.03 / kInch);
    EXPECT_GT(deepestAt, 6.0 / kFoot);
    EXPECT_LT(deepestAt, 9.0 / kFoot);

    QListWidget* list = s.panel.FindingsList();
    QListWidgetItem* worst = nullptr;
    for (int i = 0; i < list->count(); ++i)
        if (list->item(i)->text().startsWith(QStringLiteral("Worst debris"))) worst = list->item(i);
    ASSERT_NE(worst, nullptr);
    const double at = worst->data(Qt::UserRole).toDouble();
    const QStringList words = worst->text().split(' ');
    ASSERT_EQ(words.size(), 7) << worst->text().toStdString();
    EXPECT_NEAR(words[2].toDouble(), 0.15 / kInch, 0.03 / kInch);
    EXPECT_EQ(words[3], QStringLiteral("in"));
    EXPECT_EQ(words[5], QString::number(at / kFoot, 'f', 2));
    EXPECT_EQ(words[6], QStringLiteral("ft"));

    // A click at 25 ft lands at 7.62 m.
    QChartView* view = s.panel.PlotView();
    QChart* chart = view->chart();
    const QPointF inChart = chart->mapToPosition(QPointF(25.0, 1.0), chart->series().front());
    const QPoint pos = view->mapFromScene(chart->mapToScene(inChart));
    EXPECT_NEAR(s.panel.PlotDistanceAt(pos), 25.0 * kFoot, 0.05);
    s.doc.PlaybackFile().oneFrame = 0;
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, pos);
    s.ExpectLandedAt(s.panel.PlotDistanceAt(pos));

    s.panel.SetUnits(units::System::Metric);
    EXPECT_EQ(s.panel.FigureTexts(), metric);
    QStringList findings;
    for (int i = 0; i < list->count(); ++i)
        findings << list->item(i)->text();
    EXPECT_EQ(findings, metricFindings);
    EXPECT_EQ(s.panel.AxisX()->titleText(), QStringLiteral("Distance (m)"));
}

TEST(PipeConditionPlot, OneAbsurdAreaLossNeitherStretchesTheAxisNorGoesUnmarked) {
    DataDoc d;
    PipeConditionPanel panel{d.doc};
    auto batch = std::make_shared<analysis::LiveBatch>();
    for (int i = 0; i < 40; ++i) {
        analysis::LiveScan scan;
        analysis::ScanFigures& f = scan.row.figures;
        f.distance = i * 0.25;
        f.centreX = f.centreY = 0.0;
        f.ovality = 1.0 + 0.05 * i;
        f.areaLoss = i == 17 ? -107657.0 : 3.0;
        f.debrisDepth = 0.01;
        batch->scans.push_back(scan);
    }
    batch->surveyScans = 40;
    panel.TakeBatch(batch);
    // Later scans are plain again: the axis still fits the plausible range.
    auto more = std::make_shared<analysis::LiveBatch>();
    analysis::LiveScan later;
    later.row.figures.distance = 10.5;
    later.row.figures.centreX = later.row.figures.centreY = 0.0;
    later.row.figures.ovality = 2.0;
    later.row.figures.areaLoss = 4.0;
    more->scans.push_back(later);
    panel.TakeBatch(more);
    const QValueAxis* axis = panel.AxisY();
    EXPECT_GE(axis->min(), kPlotFloor - 5.0);
    EXPECT_LE(axis->max(), kPlotCeiling + 5.0);
    // The value beyond it is marked at the edge, at its distance.
    QScatterSeries* marks = panel.OffScale();
    ASSERT_EQ(marks->count(), 1);
    EXPECT_DOUBLE_EQ(marks->at(0).x(), 17 * 0.25);
    EXPECT_DOUBLE_EQ(marks->at(0).y(), kPlotFloor);
    EXPECT_GE(marks->at(0).y(), axis->min());
}
