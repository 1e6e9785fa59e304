// The linear frame every chip turns a raw reading into a value with:
//   value = (multiplier * raw + offset * 10^s(offsetCode)) * 10^s(resultCode)
// where s() reads a scale code as a four-bit two's-complement decimal exponent.
#pragma once

#include <cstdint>
#include <optional>

namespace qvnhwm {

// The largest code magnitude the rule covers: above it the exponent would not fit four
// bits, so such a code is refused rather than read as some other exponent.
inline constexpr int64_t kMaxScaleCode = 255;

// 10^s(code), or nothing for a code the rule does not cover.
std::optional<double> scaleFactor(int32_t code);

class LinearScale {
public:
    // Nothing when either scale code is refused.
    static std::optional<LinearScale> make(int32_t multiplier, int32_t offset, int32_t resultCode, int32_t offsetCode);

    // The multiplier times raw is formed in 32-bit integer arithmetic, the rest in double.
    double apply(int32_t raw) const;

    int32_t multiplier() const { return multiplier_; }

private:
    LinearScale(int32_t multiplier, int32_t offset, double resultFactor, double offsetFactor)
        : multiplier_(multiplier), offset_(offset), resultFactor_(resultFactor), offsetFactor_(offsetFactor) {}

    int32_t multiplier_;
    int32_t offset_;
    double resultFactor_;
    double offsetFactor_;
};

}  // namespace qvnhwm
