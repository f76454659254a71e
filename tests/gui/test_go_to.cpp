#include <gtest/gtest.h>

#include <QChart>
#include <QChartView>
#include <QCoreApplication>
#include <QLineSeries>
#include <QListWidget>
#include <QSlider>
#include <QTest>

#include "../core/DataFileFixture.h"
#include "../support/PipeSurvey.h"
#include "app/PipeConditionPanel.h"
#include "app/PlaybackBar.h"

namespace {

// A recording of the simulated head in a pipe with a debris mound from 6 to
// 9 m, a quarter metre along the pipe per revolution, played through once so
// the panel has analysed every scan; the index read.
struct SurveyedPanel : DataDoc {
    PipeConditionPanel panel{doc};
    SurveyedPanel() {
        sim::PipeParams pipe;
        pipe.travelSpeed = 0.25 / (400 * pipesurvey::kPingPeriod);
        pipe.debrisStretches = {{6.0, 9.0, 0.15}};
        const std::string path = dir.File("pipe.31l");
        pipesurvey::WriteSurvey(path, pipe, 400 * 34);
        doc.m_indexPlayback = true;
        EXPECT_TRUE(doc.OpenPlaybackPath(path));
        doc.m_play.index->Wait();
        std::uint64_t last = 0;
        while (doc.m_play.file.Position() >= last) {
            last = doc.m_play.file.Position();
            doc.ReadNextRecord();
        }
        panel.Drain();
        panel.resize(500, 800);
        panel.show();
        QCoreApplication::processEvents();
    }
    // The drawn scan holds the place: its last record lies at or after it,
    // less than a revolution on.
    void ExpectLandedAt(double metres) const {
        EXPECT_EQ(doc.m_play.oneFrame, 1);
        EXPECT_GE(doc.m_extDistance, metres);
        EXPECT_LE(doc.m_extDistance, metres + 0.3);
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
        s.doc.m_play.oneFrame = 0;
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
