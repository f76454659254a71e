// The report's pages of the whole pipe, from a survey fed in directly: a
// 1 m pipe with a debris bed and a known sag in its grade. The sag must be
// in the findings where the pitch put it, and the unrolled page must show the
// bed's colour; both read back from the PDF by poppler's tools.
#include <gtest/gtest.h>

#include <QImage>
#include <QProcess>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <numbers>
#include <sstream>

#include "../core/TempDir.h"
#include "analysis/DeviationColours.h"
#include "doc/TubescanDoc.h"
#include "report/SurveyReport.h"

namespace {

constexpr double kPi = std::numbers::pi;

// A climb of 0.5 % with a 4 cm dip from 4 to 8 m, as the pitch gives it.
double PitchAt(double s) {
    double slope = 0.005;
    if (s > 4.0 && s < 8.0) slope -= 0.04 * kPi / 4.0 * std::sin(2.0 * kPi * (s - 4.0) / 4.0);
    return std::asin(slope) * 180.0 / kPi;
}

std::string RunTool(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(60000) || p.exitCode() != 0) {
        ADD_FAILURE() << program.toStdString() << " failed";
        return {};
    }
    return p.readAllStandardOutput().toStdString();
}

TEST(ReportPages, SagInTheFindingsAndTheBedOnTheUnrolledPage) {
    TempDir dir;
    const std::string pdfPath = dir.File("r.pdf");
    CTubescanDoc doc;
    doc.m_settings.m_circleDiameter = 1.0;
    SurveyReportOutput report("r.31l", {{}, "test"});
    int error = 0;
    const conversion::PassContext pass = conversion::PassContextOf(doc);
    ASSERT_TRUE(report.Create(pdfPath, pass, &error));
    // 12 m of pipe, a revolution of 360 pings every 0.1 m; a 12 cm bed on the
    // invert from 2 to 3 m.
    for (int rev = 0; rev < 120; ++rev)
        for (int i = 0; i < 360; ++i) {
            const double s = rev * 0.1 + i * 0.1 / 360.0;
            const double b = i * kPi / 180.0, ux = std::sin(b), uy = std::cos(b);
            double t = 0.5;
            if (s >= 2.0 && s < 3.0 && uy < 0.0) t = std::min(t, -0.38 / uy);
            analysis::ProfileSample p{double(i), t, t * ux, t * uy, rev * 4.0 + i * 0.01, s};
            p.pitch = PitchAt(s);
            report.Add(p);
        }
    ASSERT_TRUE(report.Finish()) << report.RenderError();
    // For a person to look at: TUBESCAN_KEEP_REPORT=path keeps a copy.
    if (const char* keep = std::getenv("TUBESCAN_KEEP_REPORT"))
        std::filesystem::copy_file(pdfPath, keep,
                                   std::filesystem::copy_options::overwrite_existing);

    const std::string text =
        RunTool(QStringLiteral("pdftotext"), {"-layout", QString::fromStdString(pdfPath), "-"});
    ASSERT_NE(text.find("Sags (below the line"), std::string::npos) << text;
    const auto row = text.find("greatest depth", text.find("Sags (below the line"));
    ASSERT_NE(row, std::string::npos);
    // One sag, its ends near 4 and 8 m and 4 cm deep.
    std::istringstream rows(text.substr(text.find('\n', row) + 1));
    std::string line;
    std::getline(rows, line);
    int n = 0;
    double from = 0, to = 0, length = 0, depth = 0;
    ASSERT_EQ(
        std::sscanf(line.c_str(), " %d %lf m %lf m %lf m %lf m", &n, &from, &to, &length, &depth),
        5)
        << line;
    EXPECT_NEAR(from, 4.3, 0.3);
    EXPECT_NEAR(to, 7.7, 0.3);
    EXPECT_NEAR(depth, 0.04, 0.003);
    EXPECT_NE(text.find("The pipe unrolled"), std::string::npos);
    EXPECT_NE(text.find("Grade profile"), std::string::npos);

    // The unrolled page (the third), rasterised: the bed's red stands in the
    // middle of the map (180 degrees) at 2 to 3 m, and nowhere at the sides.
    RunTool(QStringLiteral("pdftoppm"),
            {"-png", "-r", "50", "-f", "3", "-l", "3", QString::fromStdString(pdfPath),
             QString::fromStdString(dir.File("page"))});
    QImage page(QString::fromStdString(dir.File("page-3.png")));
    if (page.isNull()) page.load(QString::fromStdString(dir.File("page-03.png")));
    ASSERT_FALSE(page.isNull());
    const analysis::Rgb red = analysis::DeviationColour(0.12);
    int redPixels = 0, redAtSides = 0;
    for (int y = 0; y < page.height(); ++y)
        for (int x = 0; x < page.width(); ++x) {
            const QColor c = page.pixelColor(x, y);
            if (std::abs(c.red() - red.r) + std::abs(c.green() - red.g) +
                    std::abs(c.blue() - red.b) >
                12)
                continue;
            ++redPixels;
            // The map spans about 16 % to 78 % of the page's width (the legend,
            // red at its top, lies beyond); the bed about 40 % to 54 %.
            if (x < page.width() * 0.33 || (x > page.width() * 0.62 && x < page.width() * 0.76))
                ++redAtSides;
        }
    EXPECT_GT(redPixels, 20);
    EXPECT_EQ(redAtSides, 0);
}

} // namespace
