#include "progress_bar.h"

#include <algorithm>
#include <cmath>

namespace qorv {

namespace {

constexpr double kBlockInset = 10;  // pixels: a block is this much narrower than the bar is high
constexpr double kGap = 1;          // pixel

}  // namespace

ProgressBarShape DrawProgressBar(double width, double height, float fraction) {
    ProgressBarShape shape;
    const double filled = std::clamp(double(fraction), 0.0, 1.0) * width;
    shape.bar = {0, kGap, filled, height - 2 * kGap};
    const double block = height - kBlockInset;
    // A bar too low for blocks is drawn whole rather than dividing by nothing.
    if (block <= 0 || width <= 0) return shape;
    const long count = std::lround(width / block);
    for (long i = 1; i <= count; ++i) {
        const double right = (block + kGap) * double(i);
        shape.gaps.push_back({right - kGap, 0, right, height});
    }
    return shape;
}

}  // namespace qorv
