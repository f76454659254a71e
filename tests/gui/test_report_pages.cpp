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
#include <map>
#include <numbers>
#include <regex>
#include <sstream>

#include "../core/TempDir.h"
#include "analysis/DeviationColours.h"
#include "doc/TubescanDoc.h"
#include "report/SurveyReport.h"

namespace {

// Report settings with only the footer's version set.
ReportSettings Version(std::string version) {
    ReportSettings settings;
    settings.version = std::move(version);
    return settings;
}

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

// 12 m of pipe, a revolution of 360 pings every 0.1 m; a 12 cm bed on the
// invert from 2 to 3 m.
void FeedSurvey(ReportCollector& report) {
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
}

TEST(ReportPages, SagInTheFindingsAndTheBedOnTheUnrolledPage) {
    TempDir dir;
    const std::string pdfPath = dir.File("r.pdf");
    CTubescanDoc doc;
    doc.Settings().m_circleDiameter = 1.0;
    SurveyReportOutput report("r.31l", Version("test"));
    int error = 0;
    const conversion::PassContext pass = conversion::PassContextOf(doc);
    ASSERT_TRUE(report.Create(pdfPath, pass, &error));
    FeedSurvey(report);
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

// The first page's text of the report of FeedSurvey's pipe with details.
std::string FirstPageText(const TempDir& dir, const survey::SurveyDetails& details,
                          const char* name) {
    const std::string pdfPath = dir.File(std::string(name) + ".pdf");
    CTubescanDoc doc;
    doc.Settings().m_circleDiameter = 1.0;
    SurveyReportOutput report("r.31l", Version("test"));
    report.SetDetails(details);
    int error = 0;
    const conversion::PassContext pass = conversion::PassContextOf(doc);
    EXPECT_TRUE(report.Create(pdfPath, pass, &error));
    FeedSurvey(report);
    EXPECT_TRUE(report.Finish()) << report.RenderError();
    if (const char* keep = std::getenv("TUBESCAN_KEEP_REPORT"))
        std::filesystem::copy_file(pdfPath, std::string(keep) + "." + name + ".pdf",
                                   std::filesystem::copy_options::overwrite_existing);
    return RunTool(QStringLiteral("pdftotext"),
                   {"-layout", "-f", "1", "-l", "1", QString::fromStdString(pdfPath), "-"});
}

TEST(ReportPages, FirstPageCarriesEveryDetailAndImperialFiguresAreTheMetricOnesConverted) {
    TempDir dir;
    survey::SurveyDetails d;
    d.pipeReference = "P-17;#\"A\"";
    d.startNode = "MH 4\nnorth";
    d.finishNode = "MH5";
    d.direction = "downstream";
    d.location = "Rue de l'\u00C9glise";
    d.town = "\u0141\u00F3d\u017A";
    d.district = "Old Town";
    d.owner = "City Water";
    d.inspector = "A. Inspector";
    d.certificate = "CERT-99";
    d.purpose = "routine";
    d.weather = "dry";
    d.shape = "circular";
    d.heightMm = 1000;
    d.material = "vitrified clay";
    d.waterTemperatureC = 11.5;
    const std::string metric = FirstPageText(dir, d, "metric");
    // Each given field, a line break read as a space.
    for (const std::string want :
         {"P-17;#\"A\"", "MH 4 north", "MH5", "downstream", "Rue de l'\u00C9glise",
          "\u0141\u00F3d\u017A", "Old Town", "City Water", "A. Inspector", "CERT-99", "routine",
          "dry", "circular", "vitrified clay", "11.5", "1970-01-01 00:00:00"})
        EXPECT_NE(metric.find(want), std::string::npos) << want << "\n" << metric;

    d.units = "imperial";
    const std::string imperial = FirstPageText(dir, d, "imperial");
    // Every figure with a unit, in order: the imperial page's are the
    // metric page's converted, to the decimals each shows.
    const std::regex figure("(-?\\d+(?:\\.(\\d+))?) "
                            "(m\u00B3|m\u00B2|m|ft\u00B3|ft\u00B2|ft|in)(?![A-Za-z])");
    struct Figure {
        double value;
        int decimals;
        std::string unit;
    };
    const auto figures = [&](const std::string& text) {
        std::vector<Figure> out;
        for (auto it = std::sregex_iterator(text.begin(), text.end(), figure);
             it != std::sregex_iterator(); ++it)
            out.push_back({std::stod((*it)[1]), static_cast<int>((*it)[2].length()), (*it)[3]});
        return out;
    };
    const auto a = figures(metric), b = figures(imperial);
    ASSERT_EQ(a.size(), b.size()) << metric << imperial;
    ASSERT_GT(a.size(), 10u);
    int converted = 0;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const std::map<std::string, double> factor = {{"ft", 0.3048},
                                                      {"in", 0.0254},
                                                      {"ft\u00B2", 0.09290304},
                                                      {"ft\u00B3", 0.028316846592},
                                                      {a[i].unit, 1.0}};
        ASSERT_TRUE(factor.count(b[i].unit)) << b[i].unit;
        const double f = factor.at(b[i].unit);
        const double slack =
            0.5 * std::pow(10.0, -b[i].decimals) + 0.5 * std::pow(10.0, -a[i].decimals) / f;
        EXPECT_NEAR(b[i].value, a[i].value / f, slack + 1e-9)
            << i << ": " << a[i].value << " " << a[i].unit << " vs " << b[i].value << " "
            << b[i].unit;
        converted += b[i].unit != a[i].unit;
    }
    EXPECT_GT(converted, 10);
    EXPECT_NE(imperial.find(" ft"), std::string::npos);
    EXPECT_NE(imperial.find(" in"), std::string::npos);
}

} // namespace
