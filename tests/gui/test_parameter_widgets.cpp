#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QTest>
#include <QToolButton>

#include "app/CtrlPanelDlg.h"
#include "app/KeyInDlg.h"
#include "app/MiniSettingsBar.h"
#include "app/SpinDelta.h"
#include "doc/TubescanDoc.h"

namespace {

QString EditText(QWidget* w, const char* id) {
    auto* e = w->findChild<QLineEdit*>(id);
    return e ? e->text() : QString("<missing %1>").arg(id);
}

CSpinDelta* Spin(QWidget* w, const char* id) {
    return w->findChild<CSpinDelta*>(id);
}

// Document + both surfaces, wired the way the program wires them.
struct Surfaces {
    CTubescanDoc doc;
    QMainWindow frame;
    CCtrlPanelDlg panel{doc, &frame};
    CMiniSettingsBar bar{doc, &frame};
    Surfaces() {
        doc.m_hooks.refreshParameterTexts = [this] {
            panel.Refresh();
            bar.Refresh();
        };
        doc.m_settings.m_rangeIndex = 4;
        doc.m_settings.m_range = 1.0;
        doc.ComputeTrainBearing();
        doc.OnParametersChanged();
    }
};

} // namespace

TEST(SettingsPanel, ShowsTheDocumentInBothSurfaces) {
    Surfaces s;
    EXPECT_EQ(s.panel.windowTitle(), " Settings");
    EXPECT_EQ(EditText(&s.panel, "1049"), "1.00 m");
    EXPECT_EQ(EditText(&s.bar, "1049"), "1.000 m");
    EXPECT_EQ(EditText(&s.panel, "1051"), "6 dB");
    EXPECT_EQ(EditText(&s.panel, "1053"), "360 deg.");
    EXPECT_EQ(EditText(&s.panel, "1055"), "360 deg.");
    EXPECT_EQ(EditText(&s.panel, "1064"), "Off");
    EXPECT_EQ(EditText(&s.bar, "1057"), "Fast");
    EXPECT_EQ(EditText(&s.bar, "1059"), "Polar");
    s.doc.m_settings.m_units = 1;
    s.doc.m_settings.m_rangeIndex = 0;
    s.doc.OnParametersChanged();
    EXPECT_EQ(EditText(&s.panel, "1049"), "0.375 ft");
    EXPECT_EQ(EditText(&s.bar, "1049"), "0.375 ft");
}

TEST(SettingsPanel, SpinsStepTheHeadCommandAndBothSurfacesAgree) {
    Surfaces s;
    Spin(&s.panel, "1052")->Step(+1);
    EXPECT_EQ(s.doc.m_command[headproto::kCmdGain], 7);
    EXPECT_EQ(EditText(&s.bar, "1051"), "7 dB");
    Spin(&s.bar, "1050")->Step(+1);
    EXPECT_EQ(s.doc.m_settings.m_rangeIndex, 5);
    EXPECT_EQ(s.doc.m_command[headproto::kCmdRangeCode], 20);
    EXPECT_EQ(EditText(&s.panel, "1049"), "2.00 m");
    Spin(&s.panel, "1054")->Step(-1);
    EXPECT_EQ(s.doc.m_command[headproto::kCmdSectorWidth], 117);
    EXPECT_EQ(EditText(&s.bar, "1053"), "351 deg.");
    Spin(&s.bar, "1056")->Step(+1);
    EXPECT_EQ(s.doc.m_command[headproto::kCmdTrain], 63);
    EXPECT_EQ(EditText(&s.panel, "1055"), "9 deg.");
    // The profile spin's up arrow moves towards "Off".
    s.doc.m_settings.m_profileDispMode = 2;
    Spin(&s.panel, "1067")->Step(+1);
    EXPECT_EQ(EditText(&s.panel, "1064"), "Points Only");
}

TEST(SettingsPanel, PlaybackLeavesEverySpinButProfileInert) {
    Surfaces s;
    s.doc.m_playback = 1;
    const auto command = s.doc.m_command;
    for (const char* id : {"1050", "1052", "1054", "1056"}) {
        Spin(&s.panel, id)->Step(+1);
        Spin(&s.bar, id)->Step(-1);
    }
    EXPECT_EQ(s.doc.m_command, command);
    Spin(&s.panel, "1067")->Step(-1);
    EXPECT_EQ(s.doc.m_settings.m_profileDispMode, 1);
}

TEST(MiniBar, RangeSpinReleaseAdoptsWhatTheBarShows) {
    Surfaces s;
    s.frame.show();
    s.bar.show();
    CSpinDelta* range = Spin(&s.bar, "1050");
    const QList<QToolButton*> arrows = range->findChildren<QToolButton*>();
    ASSERT_EQ(arrows.size(), 2);
    QToolButton* up = arrows[0];
    ASSERT_EQ(up->arrowType(), Qt::UpArrow);
    auto click = [&] {
        QTest::mouseClick(up, Qt::LeftButton);
        QCoreApplication::processEvents(); // the release follows the click
    };
    // Clicks in playback change nothing, not even what a later release reads.
    s.doc.m_playback = 1;
    click();
    click();
    EXPECT_EQ(s.doc.m_settings.m_rangeIndex, 4);
    EXPECT_EQ(range->Position(), 4);
    s.doc.m_playback = 0;
    click();
    EXPECT_EQ(s.doc.m_settings.m_rangeIndex, 5);
    EXPECT_EQ(s.doc.m_settings.m_range, 2.0);
    EXPECT_EQ(s.doc.m_command[headproto::kCmdRangeCode], 20);
    EXPECT_EQ(EditText(&s.bar, "1049"), "2.000 m");
    EXPECT_EQ(EditText(&s.panel, "1049"), "2.00 m");
    // The release alone asks for a clear without refreshing anything.
    s.doc.m_clearOnChange = 0;
    range->SetPosition(7);
    emit range->released();
    EXPECT_EQ(s.doc.m_settings.m_rangeIndex, 7);
    EXPECT_EQ(s.doc.m_command[headproto::kCmdRangeCode], 40);
    EXPECT_EQ(s.doc.m_clearOnChange, 1);
    EXPECT_EQ(EditText(&s.bar, "1049"), "2.000 m");
}

TEST(SettingsPanel, HoldKeyAndCloseBox) {
    Surfaces s;
    int restarts = 0;
    s.panel.restartHeadLink = [&] { ++restarts; };
    s.panel.show();
    QTest::keyClick(&s.panel, Qt::Key_H);
    EXPECT_EQ(s.doc.m_hold, 1);
    EXPECT_EQ(restarts, 0);
    QTest::keyClick(&s.panel, Qt::Key_H);
    EXPECT_EQ(s.doc.m_hold, 0);
    EXPECT_EQ(restarts, 1);
    s.doc.m_settings.m_settingsDlgVisible = 1;
    s.panel.close();
    EXPECT_FALSE(s.panel.isVisible());
    EXPECT_EQ(s.doc.m_settings.m_settingsDlgVisible, 0);
    // Escape closes it the same way, so the settings file does not bring it back.
    s.panel.show();
    s.doc.m_settings.m_settingsDlgVisible = 1;
    QTest::keyClick(&s.panel, Qt::Key_Escape);
    EXPECT_FALSE(s.panel.isVisible());
    EXPECT_EQ(s.doc.m_settings.m_settingsDlgVisible, 0);
}

TEST(KeyInBox, OpensWithPromptTakesTheValueAndHides) {
    Surfaces s;
    s.frame.setGeometry(100, 100, 800, 600);
    CKeyInDlg box(s.doc, &s.frame);
    EXPECT_EQ(box.windowTitle(), "Input");
    EXPECT_EQ(box.findChild<QLabel*>("1047")->text(), "Key In ");
    ASSERT_TRUE(box.Open(params::KeyInKind::Gain));
    EXPECT_TRUE(box.isVisible());
    // Right edge 15 pixels inside the frame's, top 31 pixels below its top,
    // also when a longer prompt widens the box while it is shown.
    const QRect frame = s.frame.frameGeometry();
    auto expectPlaced = [&] {
        QCoreApplication::processEvents();
        const QRect placed = box.frameGeometry();
        EXPECT_EQ(placed.x() + placed.width(), frame.x() + frame.width() - 15);
        EXPECT_EQ(placed.y(), frame.y() + 31);
    };
    expectPlaced();
    ASSERT_TRUE(box.Open(params::KeyInKind::Range));
    expectPlaced();
    ASSERT_TRUE(box.Open(params::KeyInKind::Gain));
    EXPECT_EQ(box.findChild<QLabel*>("1047")->text(), "Key In Gain: (0-40dB)");
    auto* edit = box.findChild<QLineEdit*>("1046");
    edit->setText("55");
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_FALSE(box.isVisible());
    EXPECT_EQ(s.doc.m_settings.m_gain, 40);
    EXPECT_EQ(EditText(&s.panel, "1051"), "40 dB");

    s.doc.m_settings.m_sectorMode = 2;
    EXPECT_FALSE(box.Open(params::KeyInKind::Sector));
    EXPECT_FALSE(box.isVisible());
    s.doc.m_settings.m_sectorMode = 1;
    s.doc.m_playback = 1;
    EXPECT_FALSE(box.Open(params::KeyInKind::Range));
}
