#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

#include "app/DiagnosticsDlg.h"
#include "app/KeyInDlg.h"
#include "app/MiniSettingsBar.h"
#include "app/SettingsPanel.h"
#include "app/SpinDelta.h"
#include "app/ValueDlg.h"
#include "doc/DialogRules.h"
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
    CSettingsPanel panel{doc, &frame};
    CMiniSettingsBar bar{doc, &frame};
    struct Refresh : AttachedObserver {
        Surfaces& s;
        explicit Refresh(Surfaces& surfaces) : AttachedObserver(surfaces.doc), s(surfaces) {}
        void OnRefreshParameterTexts() override {
            s.panel.Refresh();
            s.bar.Refresh();
        }
    } refresh{*this};
    Surfaces() {
        doc.Settings().m_rangeIndex = 4;
        doc.Settings().m_range = 1.0;
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
    s.doc.Settings().m_units = 1;
    s.doc.Settings().m_rangeIndex = 0;
    s.doc.OnParametersChanged();
    EXPECT_EQ(EditText(&s.panel, "1049"), "0.375 ft");
    EXPECT_EQ(EditText(&s.bar, "1049"), "0.375 ft");
}

TEST(SettingsPanel, SpinsStepTheHeadCommandAndBothSurfacesAgree) {
    Surfaces s;
    Spin(&s.panel, "1052")->Step(+1);
    EXPECT_EQ(s.doc.Command()[headproto::kCmdGain], 7);
    EXPECT_EQ(EditText(&s.bar, "1051"), "7 dB");
    Spin(&s.bar, "1050")->Step(+1);
    EXPECT_EQ(s.doc.Settings().m_rangeIndex, 5);
    EXPECT_EQ(s.doc.Command()[headproto::kCmdRangeCode], 20);
    EXPECT_EQ(EditText(&s.panel, "1049"), "2.00 m");
    Spin(&s.panel, "1054")->Step(-1);
    EXPECT_EQ(s.doc.Command()[headproto::kCmdSectorWidth], 117);
    EXPECT_EQ(EditText(&s.bar, "1053"), "351 deg.");
    Spin(&s.bar, "1056")->Step(+1);
    EXPECT_EQ(s.doc.Command()[headproto::kCmdTrain], 63);
    EXPECT_EQ(EditText(&s.panel, "1055"), "9 deg.");
    // The profile spin's up arrow moves towards "Off".
    s.doc.Settings().m_profileDispMode = 2;
    Spin(&s.panel, "1067")->Step(+1);
    EXPECT_EQ(EditText(&s.panel, "1064"), "Points Only");
}

TEST(SettingsPanel, PlaybackLeavesEverySpinButProfileInert) {
    Surfaces s;
    s.doc.Run().m_playback = 1;
    const auto command = s.doc.Command();
    for (const char* id : {"1050", "1052", "1054", "1056"}) {
        Spin(&s.panel, id)->Step(+1);
        Spin(&s.bar, id)->Step(-1);
    }
    EXPECT_EQ(s.doc.Command(), command);
    Spin(&s.panel, "1067")->Step(-1);
    EXPECT_EQ(s.doc.Settings().m_profileDispMode, 1);
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
    s.doc.Run().m_playback = 1;
    click();
    click();
    EXPECT_EQ(s.doc.Settings().m_rangeIndex, 4);
    EXPECT_EQ(range->Position(), 4);
    s.doc.Run().m_playback = 0;
    click();
    EXPECT_EQ(s.doc.Settings().m_rangeIndex, 5);
    EXPECT_EQ(s.doc.Settings().m_range, 2.0);
    EXPECT_EQ(s.doc.Command()[headproto::kCmdRangeCode], 20);
    EXPECT_EQ(EditText(&s.bar, "1049"), "2.000 m");
    EXPECT_EQ(EditText(&s.panel, "1049"), "2.00 m");
    // The release alone asks for a clear without refreshing anything.
    s.doc.Display().m_clearOnChange = 0;
    range->SetPosition(7);
    emit range->released();
    EXPECT_EQ(s.doc.Settings().m_rangeIndex, 7);
    EXPECT_EQ(s.doc.Command()[headproto::kCmdRangeCode], 40);
    EXPECT_EQ(s.doc.Display().m_clearOnChange, 1);
    EXPECT_EQ(EditText(&s.bar, "1049"), "2.000 m");
}

TEST(SettingsPanel, HoldKeyAndCloseBox) {
    Surfaces s;
    int restarts = 0;
    s.panel.restartHeadLink = [&] { ++restarts; };
    s.panel.show();
    QTest::keyClick(&s.panel, Qt::Key_H);
    EXPECT_EQ(s.doc.Run().m_hold, 1);
    EXPECT_EQ(restarts, 0);
    QTest::keyClick(&s.panel, Qt::Key_H);
    EXPECT_EQ(s.doc.Run().m_hold, 0);
    EXPECT_EQ(restarts, 1);
    s.doc.Settings().m_settingsPanelVisible = 1;
    s.panel.close();
    EXPECT_FALSE(s.panel.isVisible());
    EXPECT_EQ(s.doc.Settings().m_settingsPanelVisible, 0);
    // Escape closes it the same way, so the settings file does not bring it back.
    s.panel.show();
    s.doc.Settings().m_settingsPanelVisible = 1;
    QTest::keyClick(&s.panel, Qt::Key_Escape);
    EXPECT_FALSE(s.panel.isVisible());
    EXPECT_EQ(s.doc.Settings().m_settingsPanelVisible, 0);
}

// The settings panel and the diagnostics window are one kind of window: each
// clears only its own start-up flag, and each hides the key-in box on its own
// events besides a mouse press.
TEST(ModelessWindows, HoldKeyCloseAndKeyInBoxForBoth) {
    struct Case {
        const char* name;
        int SonarSettings::*flag;
        int SonarSettings::*other;
        QEvent::Type ownEvent;   // hides the key-in box in this window
        QEvent::Type otherEvent; // only in the other one
    };
    const Case cases[] = {
        {"panel", &SonarSettings::m_settingsPanelVisible, &SonarSettings::m_diagnosticsVisible,
         QEvent::WindowActivate, QEvent::NonClientAreaMouseButtonPress},
        {"diagnostics", &SonarSettings::m_diagnosticsVisible,
         &SonarSettings::m_settingsPanelVisible, QEvent::NonClientAreaMouseButtonPress,
         QEvent::WindowActivate},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CTubescanDoc doc;
        QMainWindow frame;
        std::unique_ptr<CModelessWindow> window;
        if (c.flag == &SonarSettings::m_settingsPanelVisible)
            window = std::make_unique<CSettingsPanel>(doc, &frame);
        else
            window = std::make_unique<CDiagnosticsDlg>(doc, &frame);
        int restarts = 0, keyInHidden = 0;
        window->restartHeadLink = [&] { ++restarts; };
        window->hideKeyIn = [&] { ++keyInHidden; };
        window->show();

        QTest::keyClick(window.get(), Qt::Key_H);
        EXPECT_EQ(doc.Run().m_hold, 1);
        // Released during playback, Hold does not reach for the head.
        doc.Run().m_playback = 1;
        QTest::keyClick(window.get(), Qt::Key_H);
        EXPECT_EQ(doc.Run().m_hold, 0);
        EXPECT_EQ(restarts, 0);
        doc.Run().m_playback = 0;
        QTest::keyClick(window.get(), Qt::Key_H);
        QTest::keyClick(window.get(), Qt::Key_H);
        EXPECT_EQ(restarts, 1);

        keyInHidden = 0;
        QTest::mouseClick(window.get(), Qt::LeftButton);
        EXPECT_EQ(keyInHidden, 1);
        QEvent own(c.ownEvent), other(c.otherEvent);
        QCoreApplication::sendEvent(window.get(), &own);
        EXPECT_EQ(keyInHidden, 2);
        QCoreApplication::sendEvent(window.get(), &other);
        EXPECT_EQ(keyInHidden, 2);

        doc.Settings().*c.flag = 1;
        doc.Settings().*c.other = 1;
        window->close();
        EXPECT_FALSE(window->isVisible());
        EXPECT_EQ(doc.Settings().*c.flag, 0);
        EXPECT_EQ(doc.Settings().*c.other, 1);
        window->show();
        doc.Settings().*c.flag = 1;
        QTest::keyClick(window.get(), Qt::Key_Escape);
        EXPECT_FALSE(window->isVisible());
        EXPECT_EQ(doc.Settings().*c.flag, 0);
    }
}

// The minimum-range and sound-velocity dialogs are one dialog with two sets
// of rules: each keeps its names, texts, limits and spin behaviour.
TEST(ValueDialog, EachRulesSetKeepsItsDialog) {
    struct Case {
        const dlg::ValueRules* rules;
        const char* title;
        const char* objectName;
        const char* label;
        const char* editId;
        const char* spinId;
        bool centred;
        QString start, afterUp, byDefault, withoutDocument;
        bool spinReachesDocument; // the spin is a live preview
        bool spinDuringPlayback;
    };
    const Case cases[] = {
        {&dlg::kMinRangeRules, "Set Profile Minimum Range:", "151", "Profile Minimum Range:",
         "1073", "1076", false, "0.40", "0.41", "0.00", "0.00", true, true},
        {&dlg::kSoundVelocityRules, "Input Sound Velocity", "141", "Sound Velocity:", "1011",
         "1012", true, "1480.0", "1480.1", "1500.0", "1500.0", false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.title);
        CTubescanDoc doc;
        doc.Settings().m_profileMinRange = 0.40;
        doc.Settings().m_soundVelocity = 1480.0;
        QMainWindow frame;
        CValueDlg d(*c.rules, &doc, &frame);
        EXPECT_EQ(d.windowTitle(), c.title);
        EXPECT_EQ(d.objectName(), c.objectName);
        EXPECT_EQ(d.Row().edit->objectName(), c.editId);
        EXPECT_EQ(d.Row().spin->objectName(), c.spinId);
        bool labelled = false;
        for (QLabel* l : d.findChildren<QLabel*>())
            labelled = labelled || l->text() == c.label;
        EXPECT_TRUE(labelled);
        EXPECT_EQ((d.Row().edit->alignment() & Qt::AlignHCenter) != 0, c.centred);
        EXPECT_EQ(d.Row().edit->text(), c.start);

        const SonarSettings before = doc.Settings();
        const auto minRangeByte = doc.Command()[headproto::kCmdProfileMinRange];
        emit d.Row().spin->deltaRequested(+1);
        EXPECT_EQ(d.Row().edit->text(), c.afterUp);
        if (c.spinReachesDocument) {
            EXPECT_DOUBLE_EQ(doc.Settings().m_profileMinRange, 0.41);
            EXPECT_EQ(doc.Command()[headproto::kCmdProfileMinRange], 41);
        } else {
            EXPECT_EQ(doc.Settings().m_soundVelocity, before.m_soundVelocity);
            EXPECT_EQ(doc.Command()[headproto::kCmdProfileMinRange], minRangeByte);
        }
        doc.Run().m_playback = 1;
        emit d.Row().spin->deltaRequested(+1);
        EXPECT_EQ(d.Row().edit->text() != c.afterUp, c.spinDuringPlayback);
        doc.Run().m_playback = 0;

        d.findChild<QPushButton*>("23")->click();
        EXPECT_EQ(d.Row().edit->text(), c.byDefault);
        EXPECT_NE(d.Value(), c.rules->read(doc)) << "Default changes only the dialog";

        CValueDlg alone(*c.rules, nullptr, &frame);
        EXPECT_EQ(alone.Row().edit->text(), c.withoutDocument);
    }
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
    EXPECT_EQ(s.doc.Settings().m_gain, 40);
    EXPECT_EQ(EditText(&s.panel, "1051"), "40 dB");

    s.doc.Settings().m_sectorMode = 2;
    EXPECT_FALSE(box.Open(params::KeyInKind::Sector));
    EXPECT_FALSE(box.isVisible());
    s.doc.Settings().m_sectorMode = 1;
    s.doc.Run().m_playback = 1;
    EXPECT_FALSE(box.Open(params::KeyInKind::Range));
}
