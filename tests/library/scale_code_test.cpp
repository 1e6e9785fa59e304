#include <gtest/gtest.h>

#include <climits>

#include "scale_code.h"

namespace qvnhwm {
namespace {

TEST(ScaleCode, ReadsTheCodeAsAFourBitDecimalExponent) {
    const struct {
        int32_t code;
        double factor;
    } cases[] = {
        {0, 1.0},     {3, 1e3},     {7, 1e7},    {8, 1e-8},
        {13, 1e-3},   {15, 1e-1},   {-3, 1e3},  // the magnitude counts
        {-15, 1e-1},  {0xD0, 1e-3},             // from 16 on, the upper four bits count
        {0xF0, 1e-1}, {16, 10.0},   {255, 1e-1}, {-255, 1e-1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.code);
        ASSERT_TRUE(scaleFactor(c.code).has_value());
        EXPECT_DOUBLE_EQ(*scaleFactor(c.code), c.factor);
    }
}

TEST(ScaleCode, RefusesCodesBeyondFourBitsOfExponent) {
    for (int32_t code : {256, -256, 4096, INT_MAX, INT_MIN}) {
        SCOPED_TRACE(code);
        EXPECT_FALSE(scaleFactor(code).has_value());
    }
    EXPECT_FALSE(LinearScale::make(1, 0, 256, 0).has_value());
    EXPECT_FALSE(LinearScale::make(1, 0, 0, -300).has_value());
}

TEST(LinearScale, AppliesMultiplierOffsetAndBothFactors) {
    EXPECT_DOUBLE_EQ(LinearScale::make(16, 0, 13, 0)->apply(200), 3.2);
    // offset 5 at 10^-1, no result scaling: 40 + 0.5
    EXPECT_DOUBLE_EQ(LinearScale::make(1, 5, 0, 15)->apply(40), 40.5);
    // the offset is added before the result factor applies to the sum
    EXPECT_DOUBLE_EQ(LinearScale::make(2, 3, 15, 1)->apply(10), (20 + 30) * 0.1);
    EXPECT_DOUBLE_EQ(LinearScale::make(1, 0, 0, 0)->apply(-10), -10.0);
}

TEST(LinearScale, FormsTheMultiplierProductInThirtyTwoBitsWithoutUndefinedOverflow) {
    // 65536 * 65536 wraps to 0 in 32-bit arithmetic
    EXPECT_DOUBLE_EQ(LinearScale::make(65536, 0, 0, 0)->apply(65536), 0.0);
    EXPECT_DOUBLE_EQ(LinearScale::make(INT_MAX, 0, 0, 0)->apply(2), -2.0);
}

}  // namespace
}  // namespace qvnhwm
