#include "gauge_widget.h"

#include "sensor_table.h"

#include <QPainter>
#include <QSlider>
#include <algorithm>
#include <vector>

#include "accessibility.h"
#include "reading_groups.h"

namespace qorv {

namespace {

// A printed scale from bottom to top over the slider's positions.
struct Scale {
    double bottom;
    double top;
    int decimals;
    int minorEvery;             // a short tick every this many positions
    std::vector<int> labelled;  // positions with a long tick and their reading
};

const Scale& scaleOf(int group) {
    static const Scale kScales[kGroupCount] = {
        {0, 8000, 0, 1, {0, 5, 10, 15, 20, 25, 30, 35, 40}},  // 200 RPM a step
        {-15, 15, 1, 3, {0, 15, 30, 45, 60, 75, 90}},         // 0.33 V a step
        {-10, 115, 0, 2, {0, 4, 12, 20, 28, 36, 44, 50}},     // 2.5 C a step
    };
    return kScales[group];
}

QString labelText(const Scale& s, int position, int maximum) {
    return QString::number(s.bottom + (s.top - s.bottom) * position / maximum, 'f', s.decimals);
}

// A slider drawn as a level: a groove filled from the bottom up to the handle. Value 0
// stands at the top.
class GaugeSlider final : public QSlider {
public:
    using QSlider::QSlider;

    int valueY(int value) const {
        const int span = std::max(1, maximum() - minimum());
        return kInset + (height() - 2 * kInset) * (value - minimum()) / span;
    }
    QSize sizeHint() const override { return {kHandleWidth + 2, 200}; }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        const double centre = width() / 2.0;
        const double radius = kGrooveWidth / 2.0;
        const QRectF groove(centre - radius, kInset - radius, kGrooveWidth, height() - 2 * kInset + kGrooveWidth);
        p.setPen(Qt::NoPen);
        p.setBrush(kGroove);
        p.drawRoundedRect(groove, radius, radius);

        const int y = valueY(value());
        p.setBrush(kLevel);
        p.drawRoundedRect(QRectF(groove.left(), y, groove.width(), groove.bottom() - y), radius, radius);

        p.setPen(QPen(kHandleBorder, 1));
        p.setBrush(kHandle);
        p.drawRoundedRect(QRectF(centre - kHandleWidth / 2.0, y - kHandleHeight / 2.0, kHandleWidth, kHandleHeight), 3,
                          3);
    }

private:
    static constexpr int kGrooveWidth = 8;
    static constexpr int kHandleWidth = 24;
    static constexpr int kHandleHeight = 10;
    static constexpr int kInset = kHandleHeight / 2 + 1;
    inline static const QColor kGroove{221, 226, 234};
    inline static const QColor kLevel{74, 127, 214};
    inline static const QColor kHandle{255, 255, 255};
    inline static const QColor kHandleBorder{89, 98, 122};
};

constexpr int kMinorTick = 5;
constexpr int kMajorTick = 10;
constexpr int kTickGap = 4;   // between the slider and its ticks
constexpr int kLabelGap = 6;  // between a long tick and its label
constexpr int kMargin = 8;
const QColor kScaleInk(57, 64, 77);

}  // namespace

GaugeWidget::GaugeWidget(int group, const QString& sliderName, QWidget* parent)
    : QWidget(parent), group_(group), slider_(new GaugeSlider(Qt::Vertical, this)) {
    slider_->setObjectName(sliderName);
    slider_->setRange(0, gaugeMaximum(group));
    // Value 0 at the top: the slider shows the maximum minus the position.
    slider_->setInvertedAppearance(true);
    slider_->setTickPosition(QSlider::NoTicks);
    // Until its sensor is read the gauge rests at its scale's zero.
    showPosition(gaugePosition(group, kReadFailed));
    // It shows; it is not a control.
    slider_->setFocusPolicy(Qt::NoFocus);
    slider_->setAttribute(Qt::WA_TransparentForMouseEvents);

    static const char* const kGaugeNames[kGroupCount] = {QT_TR_NOOP("Fan gauge"), QT_TR_NOOP("Voltage gauge"),
                                                         QT_TR_NOOP("Temperature gauge")};
    auto spoken = [this] {
        const Scale& s = scaleOf(group_);
        const int top = slider_->maximum();
        const QString scale =
            tr("scale from %1 to %2")
                .arg(labelText(s, 0, top), spokenReading(labelText(s, top, top).toStdString(), groupUnit(group_)));
        if (sensor_.isEmpty()) return AccessibleTexts{tr(kGaugeNames[group_]), tr("no sensor shown"), scale};
        return AccessibleTexts{sensor_, spokenReading_, scale};
    };
    // The slider inside runs upside down: its own value would read wrong.
    describeForScreenReaders(this, QAccessible::Indicator, spoken, {}, ReadAs::OnePiece);
}

void GaugeWidget::showPosition(int position) { slider_->setValue(slider_->maximum() - position); }

void GaugeWidget::showSensor(const QString& name, const QString& spokenReading) {
    if (name == sensor_ && spokenReading == spokenReading_) return;
    sensor_ = name;
    spokenReading_ = spokenReading;
    announceChange(this);
}

int GaugeWidget::positionY(int position) const {
    return slider_->y() + static_cast<const GaugeSlider*>(slider_)->valueY(slider_->maximum() - position);
}

void GaugeWidget::resizeEvent(QResizeEvent*) {
    const Scale& s = scaleOf(group_);
    const QFontMetrics fm(font());
    int labelWidth = 0;
    for (int p : s.labelled)
        labelWidth = std::max(labelWidth, fm.horizontalAdvance(labelText(s, p, slider_->maximum())));
    const int sliderWidth = slider_->sizeHint().width();
    const int total = sliderWidth + kTickGap + kMajorTick + kLabelGap + labelWidth;
    const int top = kMargin + fm.height() + kMargin;
    slider_->setGeometry(std::max(0, (width() - total) / 2), top, sliderWidth, std::max(0, height() - top - kMargin));
}

void GaugeWidget::paintEvent(QPaintEvent*) {
    const Scale& s = scaleOf(group_);
    QPainter painter(this);
    painter.setPen(kScaleInk);
    const QFontMetrics fm(font());
    const int tickX = slider_->geometry().right() + 1 + kTickGap;

    // The unit above the scale.
    painter.drawText(QRect(slider_->x(), kMargin, width() - slider_->x(), fm.height()),
                     Qt::AlignLeft | Qt::AlignVCenter, QString::fromLatin1(groupUnit(group_)));

    for (int p = 0; p <= slider_->maximum(); p += s.minorEvery) {
        const int y = positionY(p);
        painter.drawLine(tickX, y, tickX + kMinorTick, y);
    }
    const int labelX = tickX + kMajorTick + kLabelGap;
    for (int p : s.labelled) {
        const int y = positionY(p);
        painter.drawLine(tickX, y, tickX + kMajorTick, y);
        painter.drawText(QRect(labelX, y - fm.height() / 2, width() - labelX, fm.height()),
                         Qt::AlignLeft | Qt::AlignVCenter, labelText(s, p, slider_->maximum()));
    }
}

}  // namespace qorv
