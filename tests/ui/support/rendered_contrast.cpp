#include "rendered_contrast.h"

#include <QHash>
#include <QImage>
#include <algorithm>
#include <cmath>
#include <tuple>
#include <vector>

namespace qorv::testing {

namespace {

// Pixels this close to the background are the background, smoothed.
constexpr double kDrawnThreshold = 1.1;

double channel(int value) {
    const double c = value / 255.0;
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

double luminance(const QColor& c) {
    return 0.2126 * channel(c.red()) + 0.7152 * channel(c.green()) + 0.0722 * channel(c.blue());
}

QImage imageOf(const QPixmap& grabbed) { return grabbed.toImage().convertToFormat(QImage::Format_RGB32); }

QRect devicePixels(const QPixmap& grabbed, const QRect& area) {
    const qreal ratio = grabbed.devicePixelRatio();
    const QRectF scaled(area.x() * ratio, area.y() * ratio, area.width() * ratio, area.height() * ratio);
    return scaled.toAlignedRect() & QRect(QPoint(0, 0), grabbed.size());
}

QColor mostCommon(const QHash<QRgb, int>& counts) {
    QRgb common = 0;
    int most = -1;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it)
        if (it.value() > most) std::tie(common, most) = std::pair{it.key(), it.value()};
    return QColor(common);
}

// The ratio a tenth of the drawn pixels reach.
InkContrast strongest(const QColor& background, std::vector<std::pair<double, QRgb>>& drawn) {
    InkContrast result{background, background, 1.0, int(drawn.size())};
    if (drawn.empty()) return result;
    std::sort(drawn.begin(), drawn.end(), [](const auto& a, const auto& b) { return a.first > b.first; });
    const auto& [ratio, ink] = drawn[drawn.size() / 10];
    result.ratio = ratio;
    result.ink = QColor(ink);
    return result;
}

}  // namespace

double contrastRatio(const QColor& a, const QColor& b) {
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

InkContrast inkContrast(const QPixmap& grabbed, const QRect& area) {
    const QImage image = imageOf(grabbed);
    const QRect r = devicePixels(grabbed, area);
    QHash<QRgb, int> counts;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x) ++counts[image.pixel(x, y)];
    const QColor background = mostCommon(counts);

    std::vector<std::pair<double, QRgb>> drawn;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it) {
        const double ratio = contrastRatio(background, QColor(it.key()));
        if (ratio >= kDrawnThreshold) drawn.insert(drawn.end(), size_t(it.value()), {ratio, it.key()});
    }
    return strongest(background, drawn);
}

InkContrast markContrast(const QPixmap& unticked, const QPixmap& ticked, const QRect& area) {
    const QImage before = imageOf(unticked), after = imageOf(ticked);
    const QRect r = devicePixels(ticked, area);
    QHash<QRgb, int> under;
    std::vector<QPoint> changed;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            if (before.pixel(x, y) != after.pixel(x, y)) {
                ++under[before.pixel(x, y)];
                changed.push_back({x, y});
            }
    const QColor background = mostCommon(under);

    std::vector<std::pair<double, QRgb>> drawn;
    for (const QPoint& p : changed) {
        const double ratio = contrastRatio(background, QColor(after.pixel(p)));
        if (ratio >= kDrawnThreshold) drawn.push_back({ratio, after.pixel(p)});
    }
    return strongest(background, drawn);
}

}  // namespace qorv::testing
