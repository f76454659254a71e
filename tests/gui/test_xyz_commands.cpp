// The conversion command as the operator runs it (dialog, paced playback,
// drawing) against tubescan-convert, and the UDP output menu items.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFileDialog>
#include <QProgressDialog>
#include <QTimer>

#include <algorithm>
#include <filesystem>

#include "../support/ConvertTool.h"
#include "../support/DocumentSpy.h"
#include "../support/SurveyFile.h"
#include "app/XyzCommands.h"
#include "doc/CommandIds.h"
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
        ASSERT_TRUE(SpinUntil([&] { return p.doc.m_outputs.Converting() == 0; }, 60000));
        EXPECT_EQ(p.messages, std::vector<std::string>{"Conversion Complete!"});
        EXPECT_FALSE(p.pacer.TimerActive());
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
    // The file plays on, through its end and round again, as a plain playback.
    EXPECT_EQ(p.doc.m_playback, 1);
    ASSERT_TRUE(SpinUntil([&] { return p.ticks > 50; }, 20000));
    EXPECT_EQ(p.messages.size(), 2u);
    EXPECT_EQ(p.doc.m_outputs.Converting(), 0);
}

TEST(XyzCommands, UdpItemsCarryTheirChecksAndAddressIsDisabled) {
    CTubescanDoc doc;
    QAction xyzItem, prdItem, addressItem, other;
    xyzItem.setData(cmd::kUdpXyzOutput);
    prdItem.setData(cmd::kUdpPrdOutput);
    addressItem.setData(cmd::kUdpAddress);
    other.setData(32806);
    EXPECT_TRUE(IsXyzCommand(xyzItem) && IsXyzCommand(addressItem));
    EXPECT_FALSE(IsXyzCommand(other));
    auto update = [&] {
        for (QAction* a : {&xyzItem, &prdItem, &addressItem})
            UpdateXyzCommand(*a, doc);
    };
    RunXyzCommand(xyzItem, doc, nullptr);
    update();
    EXPECT_TRUE(xyzItem.isChecked());
    EXPECT_FALSE(prdItem.isChecked());
    RunXyzCommand(prdItem, doc, nullptr);
    update();
    EXPECT_FALSE(xyzItem.isChecked());
    EXPECT_TRUE(prdItem.isChecked());
    EXPECT_FALSE(addressItem.isEnabled());
    RunXyzCommand(addressItem, doc, nullptr); // no handler
    EXPECT_EQ(doc.m_settings.m_udpPrdEnabled, 1);
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
    const std::uint64_t position = p.doc.m_play.playPosition;
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
        EXPECT_EQ(p.doc.m_play.playPosition, position);
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
    // playback's hold is as it was.
    QTimer::singleShot(0, [] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* dialog = qobject_cast<QProgressDialog*>(w)) dialog->cancel();
    });
    EXPECT_FALSE(ExportPointCloudCommand(
        p.doc, nullptr,
        [&](QFileDialog& dialog) {
            dialog.selectFile(Q(p.dir.File("gone.las")));
            return true;
        },
        PointCloudOutput::Format::Las));
    EXPECT_FALSE(std::filesystem::exists(p.dir.File("gone.las")));
    EXPECT_NE(p.messages.back().find("cancelled"), std::string::npos) << p.messages.back();
    EXPECT_EQ(p.doc.m_hold, 0);
    EXPECT_EQ(p.doc.m_play.playPosition, position);
}
