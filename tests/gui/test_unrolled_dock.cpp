// The Unrolled dock's picture and clicks: a synthetic debris bed (scans
// 1 m apart, the bed from 150 to 210 degrees in the fourth to seventh) must
// show in the bed's colour at those bearings and distances, on the screen as
// well as in the picture, and a click there must tell them.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QSignalSpy>
#include <QTest>

#include <cmath>
#include <numbers>

#include "analysis/DeviationColours.h"
#include "app/UnrolledDock.h"

namespace {

constexpr double kBed = 0.04; // metres inward

analysis::AnalysedScan BedScan(int index) {
    analysis::AnalysedScan s;
    s.figures.distance = index * 1.0;
    s.figures.centreX = 0.1; // the centre off the head: bearings are about it
    s.figures.centreY = -0.2;
    const bool bed = index >= 3 && index <= 6;
    for (int i = 0; i < 1440; ++i) {
        const double bearing = (i + 0.5) * 0.25;
        const double a = bearing * std::numbers::pi / 180.0;
        const bool inBed = bed && bearing > 150.0 && bearing < 210.0;
        const double r = inBed ? 0.5 - kBed : 0.5;
        s.points.push_back({0.1 + r * std::sin(a), -0.2 + r * std::cos(a), inBed ? kBed : 0.0});
    }
    return s;
}

QRgb Colour(double deviation) {
    const analysis::Rgb c = analysis::DeviationColour(deviation);
    return qRgb(c.r, c.g, c.b);
}

TEST(UnrolledDock, DebrisBedShowsAtItsBearingsAndDistancesAndAClickTellsThem) {
    UnrolledView view;
    view.resize(900, 500);
    view.show();
    for (int i = 0; i < 10; ++i)
        view.AddScan(BedScan(i));
    QApplication::processEvents();
    const QImage screen = view.grab().toImage();
    const QRectF area = view.CellArea();
    auto centreOf = [&](int column, int row) {
        return QPointF(area.left() + (column + 0.5) * area.width() / 360.0,
                       area.top() + (row + 0.5) * area.height() / 10.0);
    };
    struct Cell {
        int column, row;
        double deviation;
    };
    for (const Cell c :
         {Cell{180, 4, kBed}, Cell{155, 3, kBed}, Cell{205, 6, kBed}, Cell{180, 2, 0.0},
          Cell{180, 7, 0.0}, Cell{90, 4, 0.0}, Cell{270, 5, 0.0}, Cell{0, 0, 0.0}}) {
        SCOPED_TRACE(testing::Message() << c.column << " deg, row " << c.row);
        EXPECT_EQ(view.Picture().pixel(c.column, c.row), Colour(c.deviation));
        const QPoint at = centreOf(c.column, c.row).toPoint();
        EXPECT_EQ(screen.pixel(at), Colour(c.deviation));
    }

    QSignalSpy cell(&view, &UnrolledView::CellClicked);
    QSignalSpy distance(&view, &UnrolledView::DistanceClicked);
    QTest::mouseClick(&view, Qt::LeftButton, {}, centreOf(181, 5).toPoint());
    ASSERT_EQ(cell.count(), 1);
    EXPECT_DOUBLE_EQ(cell[0][0].toDouble(), 181.5);
    EXPECT_DOUBLE_EQ(cell[0][1].toDouble(), 5.0);
    EXPECT_NEAR(cell[0][2].toDouble(), kBed, 1e-6);
    ASSERT_EQ(distance.count(), 1);
    EXPECT_DOUBLE_EQ(distance[0][0].toDouble(), 5.0);
    EXPECT_EQ(UnrolledCellText(181.5, 5.0, kBed),
              QStringLiteral("Bearing 181.5\u00B0, distance 5.00 m: deviation 4.0 cm (inward)"));
    // An imperial survey: feet along the pipe, the deviation in inches, and
    // the colour scale's labels (5 cm is 1.97 in) with them.
    EXPECT_EQ(
        UnrolledCellText(181.5, 5.0, kBed, units::System::Imperial),
        QStringLiteral("Bearing 181.5\u00B0, distance %1 ft: deviation %2 in (inward)")
            .arg(QString::number(5.0 / 0.3048, 'f', 2), QString::number(kBed / 0.0254, 'f', 2)));
    const QStringList metricLegend = view.LegendTexts();
    EXPECT_EQ(metricLegend, (QStringList{"+5", "0", "-5", "cm"}));
    view.SetUnits(units::System::Imperial);
    EXPECT_EQ(
        view.LegendTexts(),
        (QStringList{"+" + QString::number(analysis::kDeviationScale / 0.0254, 'f', 1), "0",
                     "-" + QString::number(analysis::kDeviationScale / 0.0254, 'f', 1), "in"}));
    EXPECT_EQ(view.DistanceLabel(3.048), QStringLiteral("10.0 ft"));
    view.SetUnits(units::System::Metric);
    EXPECT_EQ(view.LegendTexts(), metricLegend);
    // Off the map: nothing.
    QTest::mouseClick(&view, Qt::LeftButton, {}, QPoint(2, 2));
    EXPECT_EQ(cell.count(), 1);

    // Back along the pipe by more than a metre: a new file; the map starts again.
    view.AddScan(BedScan(2));
    EXPECT_EQ(view.Map().Rows(), 1u);
}

// With an earlier survey that had no bed, the dock can show the bed as the
// change since: on the change's own scale, grey where the earlier survey
// never was, and back to the deviation when the box is cleared.
TEST(UnrolledDock, ShowsTheChangeSinceAnEarlierSurveyWhenAsked) {
    UnrolledDock dock;
    dock.resize(900, 540);
    dock.show();
    UnrolledView& view = *dock.View();
    for (int i = 0; i < 10; ++i)
        view.AddScan(BedScan(i));
    EXPECT_FALSE(dock.ChangeBox()->isVisible());
    auto earlier = std::make_shared<analysis::UnrolledByDistance>();
    for (int i = 0; i < 8; ++i) {
        analysis::AnalysedScan plain = BedScan(0);
        plain.figures.distance = i;
        earlier->Add(analysis::UnrolledRowOf(plain.figures, plain.points));
    }
    analysis::Alignment same; // the same distances
    dock.SetEarlier(earlier, same, QStringLiteral("Lined up"));
    EXPECT_TRUE(dock.ChangeBox()->isVisible());
    EXPECT_EQ(dock.AlignmentState()->text(), QStringLiteral("Lined up"));
    EXPECT_FALSE(view.ShowsChange());
    EXPECT_EQ(view.Picture().pixel(180, 2), Colour(0.0));

    dock.ChangeBox()->setChecked(true);
    ASSERT_TRUE(view.ShowsChange());
    const auto change = [](double metres) {
        const analysis::Rgb c = analysis::DeviationColour(metres, analysis::kChangeScale);
        return qRgb(c.r, c.g, c.b);
    };
    struct Cell {
        int column, row;
        double change;
    };
    for (const Cell c : {Cell{180, 4, kBed}, Cell{180, 2, 0.0}, Cell{90, 5, 0.0},
                         Cell{180, 8, analysis::kNoValue}, Cell{90, 9, analysis::kNoValue}}) {
        SCOPED_TRACE(testing::Message() << c.column << " deg, row " << c.row);
        EXPECT_EQ(view.Picture().pixel(c.column, c.row), change(c.change));
        const double value = view.CellValue(static_cast<std::size_t>(c.row), c.column);
        if (std::isfinite(c.change))
            EXPECT_NEAR(value, c.change, 1e-6);
        else
            EXPECT_TRUE(std::isnan(value));
    }
    // The bed is further in than the deviation's scale would show at full red.
    EXPECT_NE(change(kBed), Colour(kBed));
    EXPECT_EQ(view.LegendTexts(), (QStringList{"+2", "0", "-2", "cm"}));
    EXPECT_EQ(UnrolledCellText(181.5, 5.0, kBed, units::System::Metric, true),
              QStringLiteral("Bearing 181.5\u00B0, distance 5.00 m: 4.0 cm further in since the "
                             "earlier survey"));

    // A later alignment moves the earlier survey 3 m on: the bed's rows meet
    // its first metres (flat), the first three rows nothing.
    analysis::Alignment shifted;
    shifted.offset = -3.0;
    dock.SetAlignment(shifted, QStringLiteral("Alignment uncertain"));
    EXPECT_EQ(view.Picture().pixel(180, 4), change(kBed));
    EXPECT_EQ(view.Picture().pixel(180, 2), change(analysis::kNoValue));

    dock.ChangeBox()->setChecked(false);
    EXPECT_EQ(view.Picture().pixel(180, 4), Colour(kBed));
    EXPECT_EQ(view.LegendTexts(), (QStringList{"+5", "0", "-5", "cm"}));
}

} // namespace
