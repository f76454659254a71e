#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFileDialog>
#include <QProgressBar>
#include <QSlider>
#include <QToolButton>

#include "../core/DataFileFixture.h"
#include "app/DataFileDialogs.h"
#include "app/PlaybackBar.h"
#include "app/SpinDelta.h"
#include "link/PlaybackPacer.h"

namespace {

// Runs the event loop until done() or the deadline.
template <typename F> bool SpinUntil(F done, int ms = 5000) {
    QDeadlineTimer deadline(ms);
    while (!done() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

struct PlayingDoc : DataDoc {
    std::string Open(int records) {
        const std::string path = dir.File("play.31l");
        WriteBytes(path, TestFile(records));
        EXPECT_TRUE(doc.OpenPlaybackPath(path));
        return path;
    }
};

} // namespace

TEST(PlaybackPacer, SpeedZeroPlaysFromTheIdleLoopAndHoldStopsIt) {
    PlayingDoc d;
    CPlaybackPacer pacer(d.doc);
    pacer.Attach();
    int ticks = 0;
    QObject::connect(&pacer, &CPlaybackPacer::ticked, [&] { ++ticks; });
    d.Open(3);
    EXPECT_FALSE(pacer.TimerActive());
    ASSERT_TRUE(SpinUntil([&] { return ticks >= 10; }));
    EXPECT_FALSE(pacer.TimerActive()) << "speed 0 needs no timer 1010";

    d.doc.Run().m_hold = 1;
    ASSERT_TRUE(SpinUntil([&] { return !pacer.IdleActive(); }));
    const int held = ticks;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 100);
    EXPECT_EQ(ticks, held);
    d.doc.Run().m_hold = 0; // picked up by the watch without anyone calling in
    ASSERT_TRUE(SpinUntil([&] { return ticks > held + 3; }));

    // Single frame mode holds the idle loop too.
    d.doc.TogglePlayOneFrame();
    ASSERT_TRUE(SpinUntil([&] { return !pacer.IdleActive(); }));
}

TEST(PlaybackPacer, TimerFollowsTheSpeed) {
    PlayingDoc d;
    CPlaybackPacer pacer(d.doc);
    pacer.Attach();
    int ticks = 0;
    QObject::connect(&pacer, &CPlaybackPacer::ticked, [&] { ++ticks; });
    d.doc.Settings().m_playbackSpeed = 20;
    d.Open(3);
    EXPECT_TRUE(pacer.TimerActive());
    EXPECT_EQ(pacer.TimerInterval(), 20);
    ASSERT_TRUE(SpinUntil([&] { return ticks >= 3; }));
    EXPECT_GE(d.doc.Run().m_loopTimeMs, 0);
    d.doc.PlaybackFile().StopClock();
    EXPECT_FALSE(pacer.TimerActive());
    d.doc.ChangePlaybackSpeed(-5);
    EXPECT_EQ(pacer.TimerInterval(), 25);
    d.doc.ChangePlaybackSpeed(50);
    EXPECT_FALSE(pacer.TimerActive());
}

TEST(PlaybackBar, SetupFollowAndSpeed) {
    PlayingDoc d;
    QWidget frame;
    CPlaybackBar bar(d.doc, &frame, &frame);
    bar.Attach();
    d.doc.Settings().m_playbackSpeed = 12;
    d.Open(10); // 5120 bytes
    EXPECT_FALSE(bar.isHidden());
    EXPECT_EQ(bar.SliderStep(), 51u);
    EXPECT_EQ(bar.SpeedIndicator()->value(), 38);
    EXPECT_EQ(bar.SpeedSpin()->Position(), 12);
    EXPECT_EQ(bar.SpeedText(), "12 ms");
    auto* slider = frame.findChild<QSlider*>("1266");
    ASSERT_NE(slider, nullptr);
    EXPECT_EQ(slider->maximum(), 100);
    EXPECT_EQ(slider->tickInterval(), 10);

    d.doc.PlaybackTick();
    d.doc.PlaybackTick();
    EXPECT_EQ(slider->value(), 20);
    EXPECT_EQ(ShownRecord(d.doc), 1) << "following the slider does not jump";

    bar.SpeedSpin()->Step(+1); // up arrow: shorter interval
    EXPECT_EQ(d.doc.Settings().m_playbackSpeed, 11);
    EXPECT_EQ(bar.SpeedIndicator()->value(), 39);
    EXPECT_EQ(bar.SpeedSpin()->Position(), 11);
    bar.SpeedSpin()->Step(-100);
    EXPECT_EQ(d.doc.Settings().m_playbackSpeed, 50);
    EXPECT_EQ(bar.SpeedIndicator()->value(), 0);

    d.doc.ShowPlaybackBar(false);
    EXPECT_TRUE(bar.isHidden());
}

TEST(PlaybackBar, JumpsResynchroniseAndButtonsStepFrames) {
    PlayingDoc d;
    QWidget frame;
    CPlaybackBar bar(d.doc, &frame, &frame);
    bar.Attach();
    d.Open(10);
    d.doc.PlaybackTick();
    auto* slider = bar.Slider();

    // Half way: 51 * 50 = 2550 lies inside record 4, so record 5 comes next.
    d.doc.Frame().m_image[0] = 0x55;
    slider->setSliderPosition(50);
    bar.Jump();
    EXPECT_EQ(bar.JumpTarget(), 2550u);
    EXPECT_EQ(d.doc.Frame().m_image[0], 0) << "the picture is cleared for the jump";
    EXPECT_EQ(d.doc.PlaybackFile().seekDragging, 0);
    d.doc.PlaybackTick();
    EXPECT_EQ(ShownRecord(d.doc), 5);

    // Let go at the right end: back to the start.
    slider->setSliderPosition(100);
    bar.Jump();
    EXPECT_EQ(bar.JumpTarget(), 0u);
    d.doc.PlaybackTick();
    EXPECT_EQ(ShownRecord(d.doc), 0);

    // A click on the groove jumps as well (a page step of 10).
    slider->triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_EQ(bar.JumpTarget(), 51u * static_cast<std::uint64_t>(slider->sliderPosition()));

    // The frame buttons.
    d.doc.SeekToRecord(0);
    auto* forward = frame.findChild<QToolButton*>("1072");
    auto* back = frame.findChild<QToolButton*>("1069");
    ASSERT_NE(forward, nullptr);
    ASSERT_NE(back, nullptr);
    forward->click();
    forward->click();
    EXPECT_EQ(ShownRecord(d.doc), 1);
    EXPECT_EQ(d.doc.PlaybackFile().oneFrame, 1);
    back->click();
    EXPECT_EQ(ShownRecord(d.doc), 0);
}

TEST(DataFileDialogs, RecordDialogAndTheRecordCommand) {
    DataDoc d;
    d.doc.Settings().m_writeDirectory = d.dir.Dir();
    d.doc.Frame().m_autoFileName = "07MAR2026-090503";
    auto dialog = MakeRecordFileDialog(d.doc, nullptr);
    EXPECT_EQ(dialog->windowTitle(), "Save Sonar Data File:");
    EXPECT_EQ(dialog->nameFilters(), QStringList{"TubescanL Data File: (*.31l)"});
    EXPECT_EQ(dialog->defaultSuffix(), "31l");
    EXPECT_EQ(dialog->acceptMode(), QFileDialog::AcceptSave);
    EXPECT_FALSE(dialog->testOption(QFileDialog::DontConfirmOverwrite));
    EXPECT_EQ(dialog->selectedFiles().value(0).toStdString(), d.dir.File("07MAR2026-090503.31l"));

    std::filesystem::create_directories(d.dir.File("runs"));
    const std::string target = d.dir.File("runs/first.31l");
    auto choose = [&](QFileDialog& dlg) {
        dlg.selectFile(QString::fromStdString(target));
        return true;
    };
    ToggleRecordingCommand(d.doc, nullptr, choose);
    EXPECT_EQ(d.doc.Recorder().Active(), true);
    EXPECT_EQ(d.doc.Recorder().m_path, target);
    EXPECT_EQ(d.doc.Settings().m_writeDirectory, d.dir.File("runs") + "/");
    ToggleRecordingCommand(d.doc, nullptr, choose);
    EXPECT_EQ(d.doc.Recorder().Active(), false);

    auto cancel = [](QFileDialog&) { return false; };
    ToggleRecordingCommand(d.doc, nullptr, cancel);
    EXPECT_EQ(d.doc.Recorder().Active(), false);
    EXPECT_EQ(d.doc.Recorder().m_path, "");

    auto pick = [&](QFileDialog& dlg) {
        EXPECT_EQ(dlg.windowTitle(), "Pick a Record Directory: ");
        EXPECT_EQ(dlg.fileMode(), QFileDialog::Directory);
        dlg.selectFile(QString::fromStdString(d.dir.File("runs")));
        return true;
    };
    d.doc.Settings().m_writeDirectory = "/";
    PickRecordDirectory(d.doc, nullptr, pick);
    EXPECT_EQ(d.doc.Settings().m_writeDirectory, d.dir.File("runs") + "/");
}

TEST(DataFileDialogs, PlaybackDialogOpensOrLetsPlaybackGoOn) {
    DataDoc d;
    CountingClock clock;
    d.doc.PlaybackFile().SetClock(&clock);
    std::vector<int>& timerStarts = clock.starts;
    d.doc.Settings().m_readDirectory = d.dir.Dir();
    const std::string path = d.dir.File("Run.31L");
    WriteBytes(path, TestFile(2));

    auto check = [&](QFileDialog& dlg) {
        EXPECT_EQ(dlg.windowTitle(), "Open Data File:");
        EXPECT_EQ(dlg.nameFilters(), QStringList{"Sonar Data Files: (*.31l)"});
        EXPECT_EQ(dlg.defaultSuffix(), "31l");
        EXPECT_EQ(dlg.fileMode(), QFileDialog::ExistingFile);
        EXPECT_EQ(dlg.directory().absolutePath().toStdString() + "/", d.dir.Dir());
        dlg.selectFile(QString::fromStdString(path));
        return true;
    };
    d.doc.Settings().m_playbackSpeed = 30;
    ASSERT_TRUE(OpenPlaybackFile(d.doc, nullptr, check));
    EXPECT_EQ(d.doc.PlaybackFile().path, path);
    EXPECT_EQ(timerStarts, std::vector<int>{30});

    EXPECT_FALSE(OpenPlaybackFile(d.doc, nullptr, [](QFileDialog&) { return false; }));
    EXPECT_EQ(timerStarts, (std::vector<int>{30, 30})) << "a cancelled dialog resumes playback";
    EXPECT_EQ(d.doc.Run().m_playback, 1);
}
