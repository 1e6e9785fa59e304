// The contrast of what a widget really paints: the relative-luminance contrast ratio of the
// Web Content Accessibility Guidelines, measured on a grabbed picture.
#pragma once

#include <QColor>
#include <QPixmap>
#include <QRect>

namespace qorv::testing {

double contrastRatio(const QColor& a, const QColor& b);

struct InkContrast {
    QColor background;
    QColor ink;
    double ratio = 1.0;
    int inkPixels = 0;
};

// What is drawn in area (logical coordinates of the grabbed widget) against the area's most
// common colour, its background. The ratio is the one a tenth of the drawn pixels reach,
// so the glyphs' solid strokes count and their smoothed edges do not.
InkContrast inkContrast(const QPixmap& grabbed, const QRect& area);

// What ticking draws in area: the pixels that differ between the two pictures, against the
// colour they had unticked.
InkContrast markContrast(const QPixmap& unticked, const QPixmap& ticked, const QRect& area);

}  // namespace qorv::testing
