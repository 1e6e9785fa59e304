#include <gtest/gtest.h>

#include <cfloat>

#include "number_text.h"

namespace qorv {
namespace {

TEST(NumberText, WritesAtMostFifteenSignificantDigitsWithoutTrailingZeros) {
    EXPECT_EQ(numberText(3.2), "3.2");
    EXPECT_EQ(numberText(4500), "4500");
    EXPECT_EQ(numberText(-12.03), "-12.03");
    EXPECT_EQ(numberText(0.1 + 0.2), "0.3");
    EXPECT_EQ(numberText(1.0 / 3), "0.333333333333333");
    EXPECT_EQ(numberText(-0.0), "0");
    EXPECT_EQ(numberText(123456789012345.0), "123456789012345");
    // Never an exponent, however small or large.
    EXPECT_EQ(numberText(0.00001), "0.00001");
    EXPECT_EQ(numberText(-1.5e-7), "-0.00000015");
    EXPECT_EQ(numberText(1e20), "100000000000000000000");
    EXPECT_EQ(numberText(1234567890123456789.0), "1234567890123460000");
}

TEST(NumberText, ReadsBackWhatItWrote) {
    for (double v : {3.2, -12.03, 1.0 / 3, 1e-7, 98765.4321, DBL_MAX / 3}) {
        const auto back = parseDouble(numberText(v));
        ASSERT_TRUE(back) << v;
        EXPECT_NEAR(*back, v, std::abs(v) * 1e-14);
    }
}

TEST(NumberText, ReadsFileNumbersStrictly) {
    EXPECT_EQ(parseDouble(" 60 "), 60.0);
    EXPECT_EQ(parseDouble("-5.5\r"), -5.5);
    for (const char* bad : {"", " ", "1.2.3", "5-", "-", "0x10", "inf", "nan", "1e999", "12 V"})
        EXPECT_FALSE(parseDouble(bad)) << bad;
    EXPECT_EQ(parseInteger(" 255 ", 0, 255), 255);
    EXPECT_FALSE(parseInteger("256", 0, 255));
    EXPECT_FALSE(parseInteger("-1", 0, 255));
    EXPECT_FALSE(parseInteger("1.0", 0, 255));
    EXPECT_FALSE(parseInteger("99999999999999999999", INT32_MIN, INT32_MAX));
}

}  // namespace
}  // namespace qorv
