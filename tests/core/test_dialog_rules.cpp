#include <gtest/gtest.h>

#include "doc/DialogRules.h"
#include "doc/TubescanDoc.h"

using namespace dlg;

TEST(DialogRules, TypedNumbersAreReadWholeOrRefused) {
    EXPECT_EQ(ParseNumber(" 0.125 "), 0.125);
    EXPECT_EQ(ParseNumber("+2"), 2.0);
    EXPECT_EQ(ParseNumber("-0.5"), -0.5);
    EXPECT_EQ(ParseNumber(".5"), 0.5);
    EXPECT_EQ(ParseNumber("1.50 m", "m"), 1.5);
    for (const char* bad : {"", " ", "abc", "1.2.3", "1e3", "inf", "nan", "12abc", "1,5", "-", "."})
        EXPECT_FALSE(ParseNumber(bad)) << bad;
    EXPECT_FALSE(ParseNumber("1.50 ft", "m"));
}

TEST(DialogRules, MinimumRangeSendsTheCentimetresShown) {
    // Every value the dialog can show reaches the head as its own centimetres.
    for (int cm = 0; cm <= 250; ++cm) {
        const auto typed = AcceptMinRange(MinRangeText(cm / 100.0));
        ASSERT_TRUE(typed) << cm;
        EXPECT_EQ(MinRangeCentimetres(*typed), cm) << cm;
    }
    EXPECT_EQ(MinRangeCentimetres(0.29), 29);
    EXPECT_EQ(MinRangeCentimetres(2.567), 250);
    EXPECT_EQ(MinRangeCentimetres(0.004), 0);

    double v = 0.0;
    for (int i = 0; i < 11; ++i)
        v = MinRangeSpin(v, +1);
    EXPECT_EQ(MinRangeText(v), "0.11");
    EXPECT_EQ(MinRangeCentimetres(v), 11);
    for (int i = 0; i < 300; ++i)
        v = MinRangeSpin(v, +1);
    EXPECT_EQ(v, 2.5);
    EXPECT_EQ(MinRangeSpin(0.0, -1), 0.0);

    EXPECT_DOUBLE_EQ(*AcceptMinRange("0.125"), 0.13);
    EXPECT_FALSE(AcceptMinRange("abc"));
    EXPECT_FALSE(AcceptMinRange("2.51"));
    EXPECT_FALSE(AcceptMinRange("-0.01"));

    CTubescanDoc doc;
    ApplyMinRange(doc, 0.29);
    EXPECT_EQ(doc.Settings().m_profileMinRange, 0.29);
    EXPECT_EQ(doc.Command()[headproto::kCmdProfileMinRange], 29);
}

TEST(DialogRules, SoundVelocityStepsATenthWithinItsLimits) {
    double v = 1500.0;
    for (int i = 0; i < 10; ++i)
        v = SoundVelocitySpin(v, +1);
    EXPECT_EQ(SoundVelocityText(v), "1501.0");
    EXPECT_EQ(SoundVelocitySpin(1600.0, +1), 1600.0);
    EXPECT_EQ(SoundVelocitySpin(1400.0, -1), 1400.0);
    EXPECT_EQ(SoundVelocitySpin(1400.05, -1), 1400.0);
    EXPECT_EQ(AcceptSoundVelocity("1400.0"), 1400.0);
    EXPECT_FALSE(AcceptSoundVelocity("1399.9"));
    EXPECT_FALSE(AcceptSoundVelocity("abc"));
    EXPECT_FALSE(AcceptSoundVelocity("0"));
    EXPECT_EQ(SoundVelocitySpinPosition(1500.0), 1000);
}

TEST(DialogRules, PipeLengthsInTheShownUnit) {
    EXPECT_EQ(LengthText(1.0, 0), "1.00 m");
    EXPECT_EQ(LengthText(0.3048, 1), "1.00 '");
    EXPECT_EQ(LengthText(0.3048, 2), "12.0 ''");
    // One click is 0.1 inch, whatever the length's last digits were.
    EXPECT_EQ(LengthText(PipeLengthSpin(0.3048, 2, +1), 2), "12.1 ''");
    EXPECT_EQ(LengthText(PipeLengthSpin(1.0, 1, -1), 1), "3.27 '");
    double m = 1.0;
    for (int i = 0; i < 7; ++i)
        m = PipeLengthSpin(m, 0, +1);
    EXPECT_EQ(LengthText(m, 0), "1.07 m");
    EXPECT_EQ(PipeLengthSpin(12.0, 0, +1), 12.0);
    EXPECT_EQ(PipeLengthSpin(0.1, 2, -1), 0.1);

    EXPECT_DOUBLE_EQ(*AcceptPipeLength("2.50 m", 0), 2.5);
    EXPECT_DOUBLE_EQ(*AcceptPipeLength("10", 1), 3.048);
    EXPECT_FALSE(AcceptPipeLength("600", 2)) << "15.24 m";
    EXPECT_FALSE(AcceptPipeLength("-1", 0));
    EXPECT_FALSE(AcceptPipeLength("0", 0));
    EXPECT_FALSE(AcceptPipeLength("x", 0));
    EXPECT_EQ(PipeLengthMessage(0),
              "Wrong Input!!! Make sure the input is between 0.10 and 12.00 m   ");
    EXPECT_EQ(PipeLengthMessage(1),
              "Wrong Input!!! Make sure the input is between 0.33 and 39.37 '   ");
    // The limits the message shows are accepted.
    EXPECT_TRUE(AcceptPipeLength("0.33", 1));
    EXPECT_TRUE(AcceptPipeLength("39.37", 1));
    EXPECT_TRUE(AcceptPipeLength("472.4", 2));
}

TEST(DialogRules, HeadAddressIsAStrictDottedQuad) {
    EXPECT_EQ(QuadText(*ParseDottedQuad(" 127.0.0.2 ")), "127.0.0.2");
    EXPECT_EQ(QuadText(*ParseDottedQuad("1.2.3.4")), "1.2.3.4");
    for (const char* bad : {"1.2.3", "1.2.3.4.5", "256.1.1.1", "a.b.c.d", "1..2.3", "12345.1.1.1",
                            "", "1.2.3.4 x", "-1.2.3.4"})
        EXPECT_FALSE(ParseDottedQuad(bad)) << bad;
}
