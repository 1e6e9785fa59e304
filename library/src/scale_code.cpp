#include "scale_code.h"

#include <array>

namespace qvnhwm {

namespace {

// Exponent k of 0..7 is 10^k; 8..15 is 10^(k-16).
constexpr std::array<double, 16> kPowersOfTen{
    1.0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e-8, 1e-7, 1e-6, 1e-5, 1e-4, 1e-3, 1e-2, 1e-1,
};

}  // namespace

std::optional<double> scaleFactor(int32_t code) {
    int64_t magnitude = code < 0 ? -int64_t(code) : int64_t(code);
    if (magnitude > kMaxScaleCode) return std::nullopt;
    // Codes of 16 and above count by their upper four bits.
    if (magnitude >= 16) magnitude /= 16;
    return kPowersOfTen[size_t(magnitude)];
}

std::optional<LinearScale> LinearScale::make(int32_t multiplier, int32_t offset, int32_t resultCode,
                                             int32_t offsetCode) {
    const auto result = scaleFactor(resultCode);
    const auto offsetFactor = scaleFactor(offsetCode);
    if (!result || !offsetFactor) return std::nullopt;
    return LinearScale(multiplier, offset, *result, *offsetFactor);
}

double LinearScale::apply(int32_t raw) const {
    // The product is a 32-bit integer that wraps in two's complement; only then is it scaled.
    const auto product = int32_t(uint32_t(multiplier_) * uint32_t(raw));
    return (double(product) + double(offset_) * offsetFactor_) * resultFactor_;
}

}  // namespace qvnhwm
