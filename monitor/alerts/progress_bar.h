// The countdown's segmented progress bar as rectangles, so the widget only paints them:
// the bar itself, then gaps in the background colour that cut it into square blocks.
#pragma once

#include <vector>

namespace qorv {

struct BarRect {
    double left, top, right, bottom;
    bool operator==(const BarRect&) const = default;
};

struct ProgressBarShape {
    BarRect bar;
    std::vector<BarRect> gaps;
};

// width and height: the inner size of the bar's area in pixels; fraction 0..1 (more is
// drawn as full). Blocks are as wide as the area is high less ten pixels, one-pixel gaps.
ProgressBarShape DrawProgressBar(double width, double height, float fraction);

}  // namespace qorv
