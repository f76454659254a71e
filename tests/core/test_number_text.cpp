#include <gtest/gtest.h>

#include <clocale>
#include <limits>

#include "format/NumberText.h"

TEST(NumberText, AtoiMeaningWithClamping) {
    EXPECT_EQ(TextToInt("42"), 42);
    EXPECT_EQ(TextToInt("  -17abc"), -17);
    EXPECT_EQ(TextToInt("+8"), 8);
    EXPECT_EQ(TextToInt("abc"), 0);
    EXPECT_EQ(TextToInt(""), 0);
    EXPECT_EQ(TextToInt("3.9"), 3);
    EXPECT_EQ(TextToInt("99999999999999999999999"), std::numeric_limits<int>::max());
    EXPECT_EQ(TextToInt("-99999999999999999999999"), std::numeric_limits<int>::min());
    EXPECT_EQ(TextToInt("2147483648"), std::numeric_limits<int>::max());
    EXPECT_EQ(TextToInt("-2147483648"), std::numeric_limits<int>::min());
}

TEST(NumberText, AtofMeaningWithClamping) {
    EXPECT_DOUBLE_EQ(TextToDouble("1399.9"), 1399.9);
    EXPECT_DOUBLE_EQ(TextToDouble(" 1."), 1.0);
    EXPECT_DOUBLE_EQ(TextToDouble(".5x"), 0.5);
    EXPECT_DOUBLE_EQ(TextToDouble("-2e3"), -2000.0);
    EXPECT_DOUBLE_EQ(TextToDouble("junk"), 0.0);
    EXPECT_DOUBLE_EQ(TextToDouble("inf"), 0.0);
    EXPECT_DOUBLE_EQ(TextToDouble("nan"), 0.0);
    EXPECT_DOUBLE_EQ(TextToDouble("1e999"), std::numeric_limits<double>::max());
    EXPECT_DOUBLE_EQ(TextToDouble("-1e999"), -std::numeric_limits<double>::max());
    EXPECT_DOUBLE_EQ(TextToDouble("1e-999"), 0.0);
}

TEST(NumberText, DecimalPointIgnoresTheLocale) {
    // A desktop session may run with a comma locale; settings files always use ".".
    const char* old = std::setlocale(LC_NUMERIC, "de_DE.UTF-8");
    EXPECT_DOUBLE_EQ(TextToDouble("1.25"), 1.25);
    EXPECT_EQ(FormatFixed(1.25, 2), "1.25");
    if (old) std::setlocale(LC_NUMERIC, "C");
}

TEST(NumberText, FixedFormatting) {
    EXPECT_EQ(FormatFixed(1500.0, 1), "1500.0");
    EXPECT_EQ(FormatFixed(500.0, 4, 10), "  500.0000");
    EXPECT_EQ(FormatFixed(-0.004, 2), "-0.00");
    EXPECT_EQ(FormatFixed(2.675, 2), "2.67"); // the double just below 2.675, as printf
}

TEST(NumberText, TrimTakesOnlyTheGivenBlanksFromTheEnds) {
    EXPECT_EQ(Trim(" \t 12 3\t "), "12 3");
    EXPECT_EQ(Trim(" \r12\n"), "\r12\n"); // by default only spaces and tabs
    EXPECT_EQ(Trim(" \r12\n", " \t\r\n"), "12");
    const std::string_view blank = " \t ";
    EXPECT_EQ(Trim(blank), "");
    EXPECT_EQ(Trim(blank).data(), blank.data() + blank.size()); // where it lies is kept
    EXPECT_EQ(Trim(""), "");
    EXPECT_EQ(Trim("x"), "x");
    EXPECT_EQ(Trim("\v\fkey\v", " \t\r\v\f"), "key");
}
