// The conversion command as the operator runs it (dialog, a pass on a worker
// behind a progress dialog) against tubescan-convert, and the UDP output
// menu items.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFileDialog>
#include <QProgressDialog>
#include <QPushButton>
#include <QTimer>

#include <algorithm>
#include <filesystem>

#include "../support/ConvertTool.h"
#include "../support/DocumentSpy.h"
#include "../support/SurveyFile.h"
#include "app/DataCommands.h"
#include "app/XyzCommands.h"
#include "doc/CommandIds.h"
#include "doc/CommandMap.h"
#include "doc/TubescanDoc.h"
#include "link/PlaybackPacer.h"

using namespace converttest;
namespace fs = std::filesystem;

namespace {

template <typename F> bool SpinUntil(F done, int ms) {
    QDeadlineTimer deadline(ms);
    while (!done() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

// The program after start-up: settings beside it, playback paced by the
// event loop, messages collected instead of shown.
struct Program {
    TempDir dir;
    CTubescanDoc doc;
    CPlaybackPacer pacer{doc};
    DocumentSpy spy{doc};
    std::vector<std::string>& messages = spy.messages;
    int ticks = 0;
    Program() {
        dir.Write("TubescanL.INI", kSettings);
        doc.OnNewDocument(dir.Dir());
        pacer.Attach();
        QObject::connect(&pacer, &CPlaybackPacer::ticked, [this] { ++ticks; });
    }
    bool Convert(const std::string& path) {
        return ConvertToXyzCommand(doc, nullptr, [&](QFileDialog& dialog) {
            dialog.selectFile(Q(path));
            return true;
        });
    }
};

// Clicks Cancel in the progress dialog, as the operator would.
void ClickCancel() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* dialog = qobject_cast<QProgressDialog*>(w)) {
            if (auto* button = dialog->findChild<QPushButton*>())
                button->click();
            else
                dialog->cancel();
        }
}

} // namespace

TEST(XyzCommands, MenuConversionAndToolWriteTheSameBytes) {
    const Tool tool;
    // All ten ranges, orientation data, both zero up/down settings, both
    // mountings, the odd date and millisecond forms.
    const std::vector<survey::Shape> shapes = {
        {.rangeIndex = -1},
        {.rangeIndex = 4, .orientation = true},
        {.rangeIndex = 7, .orientation = true, .zeroUpDown = 1, .xdcrFwdAft = 1},
        {.rangeIndex = 0, .zeroUpDown = 1},
        {.rangeIndex = 9, .xdcrFwdAft = 1, .oddDates = true},
        {.rangeIndex = -1, .orientation = true, .zeroUpDown = 1, .oddDates = true},
    };
    for (const survey::Shape& shape : shapes) {
        Program p;
        const std::string input = p.dir.File("Survey.31l");
        ASSERT_TRUE(survey::WriteFile(input, 1500, shape));
        ASSERT_TRUE(p.Convert(input));
        EXPECT_EQ(p.messages, std::vector<std::string>{"Conversion Complete!"});
        // The playback has no part in it.
        EXPECT_FALSE(p.pacer.TimerActive());
        EXPECT_EQ(p.doc.Run().m_playback, 0);
        EXPECT_EQ(p.ticks, 0);
        const std::string program = p.dir.Read("Survey.xyz");
        // One line per ping the head did not garble (every 97th from the 5th).
        EXPECT_EQ(std::count(program.begin(), program.end(), '\n'), 1500 - 16);

        TempDir other;
        fs::copy_file(input, other.File("Survey.31l"));
        const ToolRun r = tool({"-q", Q(other.File("Survey.31l"))});
        ASSERT_EQ(r.exitCode, 0) << r.err;
        EXPECT_TRUE(other.Read("Survey.xyz") == program);
    }
}

TEST(XyzCommands, AnXyzThatCannotBeCreatedIsNeverReportedComplete) {
    Program p;
    const std::string input = p.dir.File("run.31l");
    ASSERT_TRUE(survey::WriteFile(input, 20, {}));
    fs::create_directory(p.dir.File("run.xyz")); // the name is taken by a folder
    EXPECT_FALSE(p.Convert(input));
    ASSERT_EQ(p.messages.size(), 2u);
    EXPECT_EQ(p.messages[1], "Error Creating XYZ File!");
    EXPECT_NE(p.messages[0].find("run.xyz"), std::string::npos) << p.messages[0];
    // Nothing plays, nothing more is said, and the folder stays as it was.
    EXPECT_EQ(p.doc.Run().m_playback, 0);
    QCoreApplication::processEvents();
    EXPECT_EQ(p.messages.size(), 2u);
    EXPECT_TRUE(fs::is_directory(p.dir.File("run.xyz")));
    EXPECT_EQ(p.doc.Outputs().Converting(), 0);
}

// Cancel in the progress stops the pass: no .xyz, no partial file beside it,
// and an .xyz that was there before is kept. A cancelled choice of file
// leaves a running playback alone and converts nothing.
TEST(XyzCommands, ACancelledConversionLeavesNoFileAndThePlaybackAlone) {
    Program p;
    const std::string input = p.dir.File("long.31l");
    ASSERT_TRUE(survey::WriteFile(input, 60000, {}));
    QTimer::singleShot(0, ClickCancel);
    EXPECT_FALSE(p.Convert(input));
    ASSERT_EQ(p.messages.size(), 1u);
    EXPECT_NE(p.messages[0].find("cancelled"), std::string::npos) << p.messages[0];
    for (const auto& entry : fs::directory_iterator(p.dir.Dir()))
        EXPECT_EQ(entry.path().string().find(".xyz"), std::string::npos) << entry.path();

    const std::string played = p.dir.File("played.31l");
    ASSERT_TRUE(survey::WriteFile(played, 50, {}));
    ASSERT_TRUE(p.doc.OpenPlaybackPath(played));
    EXPECT_FALSE(ConvertToXyzCommand(p.doc, nullptr, [](QFileDialog&) { return false; }));
    EXPECT_EQ(p.doc.Run().m_playback, 1);
    EXPECT_EQ(p.doc.PlaybackFile().path, played);
    EXPECT_FALSE(fs::exists(p.dir.File("played.xyz")));
    EXPECT_EQ(p.messages.size(), 1u);
}

TEST(XyzCommands, UdpItemsCarryTheirChecksAndAddressIsDisabled) {
    CTubescanDoc doc;
    CommandMap map;
    AddDataCommands(map, doc, nullptr);
    EXPECT_TRUE(map.Contains(cmd::kUdpXyzOutput) && map.Contains(cmd::kConvertToXyz));
    EXPECT_FALSE(map.Contains(cmd::kUdpAddress));
    EXPECT_TRUE(map.Run(cmd::kUdpXyzOutput));
    EXPECT_EQ(map.Update(cmd::kUdpXyzOutput).checked, true);
    EXPECT_EQ(map.Update(cmd::kUdpPrdOutput).checked, false);
    EXPECT_TRUE(map.Run(cmd::kUdpPrdOutput));
    EXPECT_EQ(map.Update(cmd::kUdpXyzOutput).checked, false);
    EXPECT_EQ(map.Update(cmd::kUdpPrdOutput).checked, true);
    EXPECT_FALSE(map.Update(cmd::kUdpAddress).enabled);
    EXPECT_FALSE(map.Run(cmd::kUdpAddress)); // no handler
    EXPECT_EQ(doc.Settings().m_udpPrdEnabled, 1);
}

// The File menu's point clouds of the file being played back are the
// tool's, byte for byte, and the playback on screen stays where it was.
TEST(XyzCommands, PointCloudExportOfThePlaybackIsTheTools) {
    Program p;
    const std::string input = p.dir.File("run.31l");
    ASSERT_TRUE(survey::WriteFile(input, 900, {.orientation = true}));
    EXPECT_FALSE(CanExportPointCloud(p.doc));
    ASSERT_TRUE(p.doc.OpenPlaybackPath(input));
    ASSERT_TRUE(CanExportPointCloud(p.doc));
    const std::uint64_t position = p.doc.PlaybackFile().playPosition;
    const struct {
        PointCloudOutput::Format format;
        std::string ext;
        std::size_t pointBytes, datedHeader; // a LAS header carries the day of writing
    } kinds[] = {{PointCloudOutput::Format::Ply, "ply", 17, 0},
                 {PointCloudOutput::Format::Las, "las", 51, 94}};
    for (const auto& k : kinds) {
        QString offered;
        ASSERT_TRUE(ExportPointCloudCommand(
            p.doc, nullptr,
            [&](QFileDialog& dialog) {
                offered = dialog.selectedFiles().value(0);
                dialog.selectFile(Q(p.dir.File("cloud." + k.ext)));
                return true;
            },
            k.format));
        EXPECT_EQ(offered, Q(p.dir.File("run." + k.ext)));
        EXPECT_EQ(p.doc.PlaybackFile().playPosition, position);
        ASSERT_FALSE(p.messages.empty());
        EXPECT_NE(p.messages.back().find("cloud." + k.ext), std::string::npos) << p.messages.back();

        const Tool tool;
        const ToolRun r =
            tool({Q("--" + k.ext), "-q", "-o", Q(p.dir.File("tool." + k.ext)), Q(input)});
        ASSERT_EQ(r.exitCode, 0) << r.err;
        const std::string menu = p.dir.Read("cloud." + k.ext), shell = p.dir.Read("tool." + k.ext);
        ASSERT_EQ(menu.size(), shell.size()) << k.ext;
        EXPECT_TRUE(menu.compare(k.datedHeader, menu.npos, shell, k.datedHeader, shell.npos) == 0)
            << k.ext;
        EXPECT_GT(menu.size(), 800u * k.pointBytes);
    }
    // Cancel in the progress stops the pass and leaves no file; the
    // playback's hold is as it was. The pass runs on a worker: a long file
    // gives the click time to land.
    const std::string longer = p.dir.File("long.31l");
    ASSERT_TRUE(survey::WriteFile(longer, 60000, {}));
    ASSERT_TRUE(p.doc.OpenPlaybackPath(longer));
    const std::uint64_t longPosition = p.doc.PlaybackFile().playPosition;
    QTimer::singleShot(0, ClickCancel);
    EXPECT_FALSE(ExportPointCloudCommand(
        p.doc, nullptr,
        [&](QFileDialog& dialog) {
            dialog.selectFile(Q(p.dir.File("gone.las")));
            return true;
        },
        PointCloudOutput::Format::Las));
    EXPECT_FALSE(std::filesystem::exists(p.dir.File("gone.las")));
    EXPECT_NE(p.messages.back().find("cancelled"), std::string::npos) << p.messages.back();
    EXPECT_EQ(p.doc.Run().m_hold, 0);
    EXPECT_EQ(p.doc.PlaybackFile().playPosition, longPosition);
}

// File > Export Map (.geojson)... of the played recording: the tool's map
// of it, placed by the nodes of its survey details; without them nothing is
// written and the message says what is missing.
TEST(XyzCommands, MapExportOfThePlaybackIsTheToolsAndNeedsTheNodes) {
    Program p;
    const std::string input = p.dir.File("run.31l");
    ASSERT_TRUE(survey::WriteFile(input, 900, {.orientation = true}));
    ASSERT_TRUE(p.doc.OpenPlaybackPath(input));
    const auto exportTo = [&](const std::string& name) {
        return ExportMapCommand(p.doc, nullptr, [&](QFileDialog& dialog) {
            dialog.selectFile(Q(p.dir.File(name)));
            return true;
        });
    };
    EXPECT_FALSE(exportTo("none.geojson"));
    EXPECT_FALSE(fs::exists(p.dir.File("none.geojson")));
    ASSERT_FALSE(p.messages.empty());
    EXPECT_NE(p.messages.back().find("nodes' coordinates"), std::string::npos) << p.messages.back();

    p.dir.Write("run.survey.json",
                R"({"pipe_reference":"SW-12","crs":"EPSG:25832",)"
                R"("start_node_coordinates":{"x":500000,"y":5700000,"z":100},)"
                R"("finish_node_coordinates":{"x":500030,"y":5700040,"z":99.5}})");
    ASSERT_TRUE(exportTo("map.geojson")) << p.messages.back();
    EXPECT_NE(p.messages.back().find("map.geojson"), std::string::npos) << p.messages.back();
    const Tool tool;
    const ToolRun r = tool({"--geojson", "-q", "-o", Q(p.dir.File("tool.geojson")), Q(input)});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(p.dir.Read("map.geojson"), p.dir.Read("tool.geojson"));
    EXPECT_NE(p.dir.Read("map.geojson").find("\"SW-12\""), std::string::npos);
}
