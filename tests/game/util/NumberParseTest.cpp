#include "game/util/NumberParse.h"

#include <gtest/gtest.h>

namespace {

TEST(NumberParse, IntegersStopAtBlanksAndDoNotCheckDigits) {
    EXPECT_EQ(parseInt("42"), 42);
    EXPECT_EQ(parseInt("-17"), -17);
    EXPECT_EQ(parseInt("12 34"), 12);
    EXPECT_EQ(parseInt("7\r"), 7);
    EXPECT_EQ(parseInt(""), 0);
    EXPECT_EQ(parseInt("-"), 0);
    EXPECT_EQ(parseInt(nullptr), 0);
    EXPECT_EQ(parseInt("12x"), 12 * 10 + ('x' - '0'));
    EXPECT_EQ(parseInt("2.5"), (2 * 10 + ('.' - '0')) * 10 + 5);
    // A leading blank ends the number before it starts.
    EXPECT_EQ(parseInt(" 5"), 0);
}

TEST(NumberParse, BytesAbove127StopTheScanners) {
    EXPECT_EQ(parseInt("12\xC2\xB0"), 12);
    EXPECT_FLOAT_EQ(parseFloat("1.5\xC2\xB0"), 1.5f);
}

TEST(NumberParse, LongIntegersWrapAt32Bits) {
    EXPECT_EQ(parseInt("2147483647"), 2147483647);
    EXPECT_EQ(parseInt("2147483648"), INT32_MIN);
    EXPECT_EQ(parseInt("-2147483648"), INT32_MIN);
    EXPECT_EQ(parseInt("4294967297"), 1);
}

TEST(NumberParse, FloatsHaveOneFractionAndNoExponent) {
    EXPECT_FLOAT_EQ(parseFloat("2.5"), 2.5f);
    EXPECT_FLOAT_EQ(parseFloat("-.5"), -0.5f);
    EXPECT_FLOAT_EQ(parseFloat("-3.25"), -3.25f);
    EXPECT_FLOAT_EQ(parseFloat("0.001"), 0.001f);
    EXPECT_FLOAT_EQ(parseFloat("10."), 10.0f);
    EXPECT_FLOAT_EQ(parseFloat("1e3"), float((1 * 10 + ('e' - '0')) * 10 + 3));
    EXPECT_FLOAT_EQ(parseFloat("1.2.3"), 1.0f + 0.2f + float('.' - '0') / 100.0f + 0.003f);
    EXPECT_FLOAT_EQ(parseFloat("255 0"), 255.0f);
    EXPECT_EQ(parseFloat(""), 0.0f);
    EXPECT_EQ(parseFloat(nullptr), 0.0f);
}

} // namespace
