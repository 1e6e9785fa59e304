#include "history_chart.h"

#include <QDateTime>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QToolButton>
#include <algorithm>
#include <cmath>

#include "extension_settings.h"
#include "history_store.h"
#include "number_text.h"
#include "sensor_table.h"

namespace qorv {

namespace {

// Layout, in pixels.
constexpr int kLeftAxis = 52;
constexpr int kBottomAxis = 22;
constexpr int kTop = 34;  // the title and the range buttons
constexpr int kRight = 10;
constexpr int kButtonWidth = 50;
constexpr int kButtonHeight = 22;

const QColor kBackground(255, 255, 255);
const QColor kFrame(199, 204, 214);
const QColor kGrid(232, 235, 241);
const QColor kLine(31, 86, 168);
const QColor kHigh(200, 40, 40);
const QColor kLow(30, 110, 200);
const QColor kHighEpisode(230, 60, 60, 48);
const QColor kLowEpisode(40, 120, 230, 48);
const QColor kText(60, 64, 72);

const char* const kRangeCaptions[] = {QT_TRANSLATE_NOOP("qorv::HistoryChart", "10 min"),
                                      QT_TRANSLATE_NOOP("qorv::HistoryChart", "1 h"),
                                      QT_TRANSLATE_NOOP("qorv::HistoryChart", "24 h")};

// 1, 2 or 5 times a power of ten, the first at least rough.
double roundStep(double rough) {
    const double power = std::pow(10.0, std::floor(std::log10(std::max(rough, 1e-9))));
    for (double m : {1.0, 2.0, 5.0})
        if (m * power >= rough) return m * power;
    return 10 * power;
}

// Time-axis steps per range, in seconds.
int tickStep(int range) { return range <= 600 ? 120 : range <= 3600 ? 600 : 3 * 3600; }

}  // namespace

struct HistoryChart::Scale {
    QRect plot;
    int64_t first = 0, last = 0;  // intervals shown
    double low = 0, high = 1;     // values at the plot's bottom and top
    int64_t end = 0;              // unix seconds at the plot's right edge

    double x(int64_t seconds, int range) const {
        return plot.left() + double(seconds - (end - range)) * plot.width() / range;
    }
    double y(double v) const { return plot.bottom() - (v - low) * plot.height() / (high - low); }
};

HistoryChart::HistoryChart(const SensorTable& table, const Clock& clock, QWidget* parent)
    : QWidget(parent), table_(table), clock_(clock) {
    setObjectName(QStringLiteral("HistoryChart"));
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    for (int i = 0; i < 3; ++i) {
        auto* b = new QToolButton(this);
        b->setText(tr(kRangeCaptions[i]));
        b->setCheckable(true);
        b->setAutoRaise(true);
        b->setObjectName(QStringLiteral("HistoryRange_%1").arg(kChartRanges[i]));
        b->setAccessibleName(tr("Show the last %1").arg(tr(kRangeCaptions[i])));
        connect(b, &QToolButton::clicked, this, [this, i] {
            setRange(kChartRanges[i]);
            emit rangeChosen(range_);
        });
        buttons_[i] = b;
    }
    setRange(range_);
}

void HistoryChart::setStore(const HistoryStore* store) {
    store_ = store;
    update();
}

void HistoryChart::setSensor(int slot) {
    if (slot == sensor_) return;
    sensor_ = slot;
    update();
}

void HistoryChart::setRange(int seconds) {
    range_ = std::ranges::find(kChartRanges, seconds) != std::end(kChartRanges) ? seconds : kChartRanges[0];
    for (int i = 0; i < 3; ++i) buttons_[i]->setChecked(kChartRanges[i] == range_);
    update();
}

QRect HistoryChart::plotRect() const {
    const int bottom = std::max(kBottomAxis, fontMetrics().height() + 6);
    return QRect(kLeftAxis, top_, width() - kLeftAxis - kRight, height() - top_ - bottom);
}

void HistoryChart::resizeEvent(QResizeEvent*) { layoutButtons(); }

void HistoryChart::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange) layoutButtons();
}

void HistoryChart::layoutButtons() {
    // Right to left from the corner, each as wide as its text in the current font.
    int right = width() - kRight;
    for (int i = 2; i >= 0; --i) {
        const QSize need = buttons_[i]->sizeHint().expandedTo({kButtonWidth, kButtonHeight});
        buttons_[i]->setGeometry(right - need.width(), 6, need.width(), need.height());
        right -= need.width();
    }
    titleWidth_ = std::max(right - 16, 0);
    top_ = std::max(kTop, buttons_[0]->geometry().bottom() + 6);
    update();
}

HistoryChart::Scale HistoryChart::scale() const {
    Scale s;
    s.plot = plotRect();
    s.end = unixSeconds(clock_.now());
    s.last = HistoryStore::intervalOf(clock_.now());
    s.first = HistoryStore::intervalOf(fromUnixSeconds(s.end - range_));
    const SensorSlot& slot = table_[sensor_];
    // The thresholds always show, so the line is seen against them.
    double lo = std::min(slot.LowThreshold, slot.HighThreshold), hi = std::max(slot.LowThreshold, slot.HighThreshold);
    if (store_ && sensor_ < store_->sensors())
        for (int64_t i = s.first; i <= s.last; ++i) {
            const float v = store_->value(sensor_, i);
            if (std::isnan(v)) continue;
            lo = std::min(lo, double(v));
            hi = std::max(hi, double(v));
        }
    const double pad = std::max((hi - lo) * 0.08, 0.5);
    s.low = lo - pad;
    s.high = hi + pad;
    return s;
}

QString HistoryChart::readingAt(int x) const {
    const Scale s = scale();
    if (!s.plot.contains(x, s.plot.center().y())) return {};
    const int64_t seconds = s.end - range_ + int64_t(double(x - s.plot.left()) * range_ / s.plot.width());
    const int64_t interval = HistoryStore::intervalOf(fromUnixSeconds(seconds));
    const QString when = QDateTime::fromSecsSinceEpoch(interval * kHistoryInterval.count()).toString("HH:mm:ss");
    const float v = store_ && sensor_ < store_->sensors() ? store_->value(sensor_, interval) : kGap;
    if (std::isnan(v)) return tr("%1  no reading").arg(when);
    return QStringLiteral("%1  %2 %3")
        .arg(when, QString::fromStdString(numberText(std::round(double(v) * 1000) / 1000)),
             QString::fromStdString(table_[sensor_].Unit));
}

void HistoryChart::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), kBackground);
    p.setPen(kFrame);
    p.drawRect(rect().adjusted(0, 0, -1, -1));
    const Scale s = scale();
    const SensorSlot& slot = table_[sensor_];
    const QFontMetrics fm(font());

    p.setPen(kText);
    QFont title = font();
    title.setBold(true);
    p.setFont(title);
    p.drawText(QRect(8, 6, titleWidth_, buttons_[0]->height()), Qt::AlignLeft | Qt::AlignVCenter,
               QFontMetrics(title).elidedText(QString::fromStdString(slot.Name + " (" + slot.Unit + ")"),
                                              Qt::ElideRight, titleWidth_));
    p.setFont(font());

    // Value axis: lines at round values, four to eight of them.
    const double valueStep = roundStep((s.high - s.low) / 5);
    const int decimals = std::max(0, -int(std::floor(std::log10(valueStep))));
    for (double v = std::ceil(s.low / valueStep) * valueStep; v <= s.high; v += valueStep) {
        const int y = int(std::lround(s.y(v)));
        p.setPen(kGrid);
        p.drawLine(s.plot.left(), y, s.plot.right(), y);
        p.setPen(kText);
        p.drawText(QRect(0, y - fm.height() / 2, kLeftAxis - 6, fm.height()), Qt::AlignRight | Qt::AlignVCenter,
                   QString::number(std::abs(v) < valueStep / 2 ? 0.0 : v, 'f', decimals));
    }
    // Time axis in local time, on whole steps of the local clock.
    const int step = tickStep(range_);
    const int64_t offset = QDateTime::fromSecsSinceEpoch(s.end).offsetFromUtc();
    for (int64_t t = ((s.end - range_ + offset) / step + 1) * step - offset; t <= s.end; t += step) {
        const int x = int(std::lround(s.x(t, range_)));
        p.setPen(kGrid);
        p.drawLine(x, s.plot.top(), x, s.plot.bottom());
        const QString label = QDateTime::fromSecsSinceEpoch(t).toString("HH:mm");
        const int half = fm.horizontalAdvance(label) / 2 + 1;
        if (x + half > width() - 2) continue;  // a label the edge would cut
        p.setPen(kText);
        p.drawText(QRect(x - half, s.plot.bottom() + 3, 2 * half, fm.height() + 2), Qt::AlignHCenter | Qt::AlignTop,
                   label);
    }

    p.save();
    p.setClipRect(s.plot);
    // Alarm episodes behind the line.
    if (store_)
        for (const AlarmEpisode& e : store_->episodesOf(sensor_, s.end - range_, s.end)) {
            const double x0 = s.x(e.start, range_), x1 = s.x(e.ongoing() ? s.end : e.end, range_);
            p.fillRect(QRectF(x0, s.plot.top(), std::max(x1 - x0, 2.0), s.plot.height()),
                       e.high ? kHighEpisode : kLowEpisode);
        }
    // Thresholds.
    p.setPen(QPen(kHigh, 1, Qt::DashLine));
    p.drawLine(QPointF(s.plot.left(), s.y(slot.HighThreshold)), QPointF(s.plot.right(), s.y(slot.HighThreshold)));
    p.setPen(QPen(kLow, 1, Qt::DashLine));
    p.drawLine(QPointF(s.plot.left(), s.y(slot.LowThreshold)), QPointF(s.plot.right(), s.y(slot.LowThreshold)));

    // The readings: one point per interval, or for a day one column per pixel, spanning the
    // lowest to the highest reading in it. A gap breaks the line.
    if (store_ && sensor_ < store_->sensors()) {
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(kLine, 1.6));
        const double perPixel = double(s.last - s.first + 1) / std::max(1, s.plot.width());
        QPolygonF run;
        const auto flush = [&] {
            if (run.size() == 1) p.drawPoint(run.front());
            if (run.size() > 1) p.drawPolyline(run);
            run.clear();
        };
        if (perPixel <= 1) {
            for (int64_t i = s.first; i <= s.last; ++i) {
                const float v = store_->value(sensor_, i);
                if (std::isnan(v)) {
                    flush();
                    continue;
                }
                run << QPointF(s.x(i * kHistoryInterval.count() + kHistoryInterval.count() / 2, range_), s.y(v));
            }
        } else {
            for (int col = 0; col < s.plot.width(); ++col) {
                const int64_t from = s.first + int64_t(col * perPixel), to = s.first + int64_t((col + 1) * perPixel);
                float lo = INFINITY, hi = -INFINITY;
                for (int64_t i = from; i < std::max(to, from + 1); ++i) {
                    const float v = store_->value(sensor_, i);
                    if (std::isnan(v)) continue;
                    lo = std::min(lo, v);
                    hi = std::max(hi, v);
                }
                if (lo > hi) {
                    flush();
                    continue;
                }
                const double x = s.plot.left() + col + 0.5;
                if (hi > lo) p.drawLine(QPointF(x, s.y(lo)), QPointF(x, s.y(hi)));
                run << QPointF(x, s.y((double(lo) + hi) / 2));
            }
        }
        flush();
        p.setRenderHint(QPainter::Antialiasing, false);
    }
    p.restore();

    // The reading under the pointer.
    if (pointerX_ >= s.plot.left() && pointerX_ <= s.plot.right()) {
        p.setPen(QPen(kText, 1, Qt::DotLine));
        p.drawLine(pointerX_, s.plot.top(), pointerX_, s.plot.bottom());
        const QString text = readingAt(pointerX_);
        const int w = fm.horizontalAdvance(text) + 12;
        const int x = std::min(pointerX_ + 6, s.plot.right() - w);
        const QRect box(std::max(x, s.plot.left()), s.plot.top() + 4, w, fm.height() + 6);
        p.fillRect(box, QColor(255, 255, 255, 230));
        p.setPen(kFrame);
        p.drawRect(box);
        p.setPen(kText);
        p.drawText(box, Qt::AlignCenter, text);
    }
}

void HistoryChart::mouseMoveEvent(QMouseEvent* event) {
    pointerX_ = int(event->position().x());
    update();
}

void HistoryChart::leaveEvent(QEvent*) {
    pointerX_ = -1;
    update();
}

}  // namespace qorv
