#include "sparkline.h"

#include <QPainter>
#include <cmath>

#include "history_store.h"
#include "sensor_table.h"

namespace qorv {

namespace {
// Light on the sensor panel's dark ground.
const QColor kLine(0x5f, 0xd3, 0xc4);
const QColor kThreshold(255, 120, 120, 150);
const QColor kBase(0x2b, 0x4a, 0x5c);
}  // namespace

Sparkline::Sparkline(const SensorTable& table, const Clock& clock, QWidget* parent)
    : QWidget(parent), table_(table), clock_(clock) {
    setObjectName(QStringLiteral("Sparkline"));
    setAccessibleName(tr("Last 10 minutes"));
}

void Sparkline::setStore(const HistoryStore* store) {
    store_ = store;
    update();
}

void Sparkline::setSensor(int slot) {
    sensor_ = slot;
    update();
}

int Sparkline::points() const {
    if (!store_ || sensor_ >= store_->sensors()) return 0;
    const int64_t last = HistoryStore::intervalOf(clock_.now());
    int n = 0;
    for (int64_t i = last - kSeconds / kHistoryInterval.count() + 1; i <= last; ++i)
        n += !std::isnan(store_->value(sensor_, i));
    return n;
}

void Sparkline::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QRectF area = QRectF(rect()).adjusted(2, 3, -2, -3);
    p.setPen(kBase);
    p.drawLine(area.bottomLeft(), area.bottomRight());
    if (!store_ || sensor_ >= store_->sensors()) return;
    const int64_t last = HistoryStore::intervalOf(clock_.now());
    const int count = kSeconds / int(kHistoryInterval.count());
    const int64_t first = last - count + 1;
    double lo = INFINITY, hi = -INFINITY;
    for (int64_t i = first; i <= last; ++i) {
        const float v = store_->value(sensor_, i);
        if (std::isnan(v)) continue;
        lo = std::min(lo, double(v));
        hi = std::max(hi, double(v));
    }
    if (lo > hi) return;
    const SensorSlot& s = table_[sensor_];
    // A threshold within half the readings' spread again is near enough to draw.
    const double near = std::max((hi - lo) * 0.5, 1.0);
    for (double t : {s.HighThreshold, s.LowThreshold})
        if (t >= lo - near && t <= hi + near) {
            lo = std::min(lo, t);
            hi = std::max(hi, t);
        }
    if (hi - lo < 1e-9) {
        lo -= 1;
        hi += 1;
    }
    const auto y = [&](double v) { return area.bottom() - (v - lo) * area.height() / (hi - lo); };
    const auto x = [&](int64_t i) { return area.left() + double(i - first) * area.width() / (count - 1); };
    p.setPen(QPen(kThreshold, 1, Qt::DashLine));
    for (double t : {s.HighThreshold, s.LowThreshold})
        if (t >= lo && t <= hi) p.drawLine(QPointF(area.left(), y(t)), QPointF(area.right(), y(t)));
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(kLine, 1.5));
    QPolygonF run;
    const auto flush = [&] {
        if (run.size() == 1) p.drawPoint(run.front());
        if (run.size() > 1) p.drawPolyline(run);
        run.clear();
    };
    for (int64_t i = first; i <= last; ++i) {
        const float v = store_->value(sensor_, i);
        if (std::isnan(v)) {
            flush();
            continue;
        }
        run << QPointF(x(i), y(v));
    }
    flush();
}

}  // namespace qorv
