#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QRadioButton>

#include "app/ComPortSetupDlg.h"

TEST(ComPortDialog, ShowsTheChoiceAndHandsBackWhatWasPicked) {
    ComPortChoice in;
    in.headPort = 2;
    in.orientationPort = 3;
    in.baudIndex = 3;
    in.headModel = 1;
    in.rts = 1;
    in.orientationEnabled = 0;
    CComPortSetupDlg dlg(in, {"COM10 (/tmp/b)", "COM2 (/dev/ttyS1)", "COM3 (/dev/ttyUSB0)"});
    auto* head = dlg.findChild<QComboBox*>("1014");
    auto* ports = dlg.findChild<QComboBox*>("1043");
    auto* baud = dlg.findChild<QComboBox*>("1044");
    auto* enable = dlg.findChild<QCheckBox*>("1045");
    ASSERT_TRUE(head && ports && baud && enable);

    EXPECT_EQ(head->currentIndex(), -1);
    EXPECT_EQ(ports->currentText(), "COM3 (/dev/ttyUSB0)");
    EXPECT_EQ(baud->currentText(), "38400");
    EXPECT_TRUE(dlg.findChild<QRadioButton*>("1015")->isChecked());
    // Model 1 has no head serial port; the input's lists follow "Enable".
    EXPECT_FALSE(head->isEnabled() || dlg.findChild<QRadioButton*>("1016")->isEnabled());
    EXPECT_FALSE(ports->isEnabled() || baud->isEnabled());
    enable->setChecked(true);
    EXPECT_TRUE(ports->isEnabled() && baud->isEnabled());

    ports->setCurrentIndex(0);
    emit ports->activated(0);
    baud->setCurrentIndex(5);
    emit baud->activated(5);
    EXPECT_EQ(dlg.Values().orientationPort, 10);
    EXPECT_EQ(dlg.Values().orientationEnabled, 1);
    EXPECT_EQ(BaudOfIndex(dlg.Values().baudIndex), 115200);
    EXPECT_EQ(dlg.Values().headPort, 2);
}
