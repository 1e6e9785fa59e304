#include "sensor_panel.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QSignalBlocker>
#include <QSlider>
#include <QTimer>
#include <QVBoxLayout>

#include "alert_block_widget.h"
#include "artwork.h"
#include "number_text.h"
#include "poll_cycle.h"
#include "read_sensor.h"
#include "sensor_panel_logic.h"
#include "sparkline.h"
#include "threshold_field.h"
#include "ui_text.h"

namespace qorv {

namespace {

// The panel's size at the default font; a larger font makes it as large as its halves need.
constexpr QSize kPanelSize{380, 330};
constexpr int kFanPictureSide = 72;
constexpr int kFieldWidth = 110;
constexpr QSize kSparklineSize{120, 30};
constexpr int kSparklineMargin = 10;
const QColor kGoodReading(0, 255, 0);
const QColor kFailedReading(255, 0, 0);
// Dark enough that even the failed reading's pure red stands out 4.5 : 1 against it, the
// light text 16 : 1.
const QColor kPanelBackground(0x09, 0x15, 0x24);
const QColor kPanelText(0xe8, 0xf1, 0xf5);

QLabel* label(const char* name, const QString& text, QWidget* parent) {
    auto* l = new QLabel(text, parent);
    if (name) l->setObjectName(name);
    return l;
}

void colour(QLabel* label, const QColor& c) { label->setStyleSheet(QString("color: %1;").arg(c.name())); }

QString numberString(double v) { return QString::fromStdString(numberText(v)); }

}  // namespace

SensorPanel::SensorPanel(MonitorState& state, SensorSource& library, PollCycle& cycle, Platform& platform,
                         QWidget* parent)
    : QWidget(parent), state_(state), library_(library), cycle_(cycle), platform_(platform) {
    setObjectName("PicDis_Set");
    // A pointer moving over the panel is not a move over the board under it.
    setAttribute(Qt::WA_NoMousePropagation);
    setAttribute(Qt::WA_StyledBackground);
    // The check boxes take no colour from the sheet: it would paint their marks light on the
    // style's light boxes. Their captions are made light below, the marks stay the style's.
    setStyleSheet(QString("#PicDis_Set { background: %1; border: 1px solid #2bb3a3; border-radius: 6px; }"
                          "#PicDis_Set QLabel, #PicDis_Set QGroupBox { color: %2; }")
                      .arg(kPanelBackground.name(), kPanelText.name()));

    refreshTimer_ = new QTimer(this);
    refreshTimer_->setObjectName("TimerForPic_setUpdate");
    refreshTimer_->setInterval(kSensorPanelRefreshMs);
    connect(refreshTimer_, &QTimer::timeout, this, &SensorPanel::refresh);

    fanTimer_ = new QTimer(this);
    fanTimer_->setObjectName("Timer4");
    connect(fanTimer_, &QTimer::timeout, this, [this] {
        frame_ = (frame_ + 1) % artwork::kFanFrames;
        fanPicture_->setPixmap(artwork::fanFrame(frame_, kFanPictureSide));
    });

    valueHalf_ = buildValueHalf();
    fanHalf_ = buildFanHalf();
    for (QCheckBox* box : findChildren<QCheckBox*>()) {
        QPalette caption = box->palette();
        caption.setColor(QPalette::WindowText, kPanelText);
        box->setPalette(caption);
    }
    setFixedSize(kPanelSize.expandedTo(valueHalf_->minimumSizeHint()).expandedTo(fanHalf_->minimumSizeHint()));
    for (QWidget* half : {valueHalf_, fanHalf_}) {
        half->setGeometry(rect());
        half->hide();
    }
    hide();
    setEnabled(false);
}

QWidget* SensorPanel::buildValueHalf() {
    auto* half = new QWidget(this);
    half->setObjectName("PictureTem_Vol");
    auto* layout = new QVBoxLayout(half);
    auto* title = new QHBoxLayout;
    valueName_ = label("LabelTemp_Vol", {}, half);
    QFont bold = valueName_->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.2);
    valueName_->setFont(bold);
    valueUnit_ = label("LabelUnit", {}, half);
    title->addWidget(valueName_);
    title->addWidget(valueUnit_);
    title->addStretch();
    layout->addLayout(title);

    auto* frame = new QGroupBox(tr("Threshold"), half);
    auto* grid = new QGridLayout(frame);
    high_ = new ThresholdField("TextHighLmt", frame);
    low_ = new ThresholdField("TextLowLmt", frame);
    for (QLineEdit* field : {static_cast<QLineEdit*>(high_), static_cast<QLineEdit*>(low_)})
        field->setMaximumWidth(kFieldWidth);
    high_->setAccessibleName(tr("High threshold"));
    low_->setAccessibleName(tr("Low threshold"));
    value_ = label("LabelValue", {}, frame);
    QFont big = value_->font();
    big.setBold(true);
    big.setPointSizeF(big.pointSizeF() * 1.3);
    value_->setFont(big);
    grid->addWidget(label(nullptr, "H", frame), 0, 0);
    grid->addWidget(high_, 0, 1);
    grid->addWidget(label(nullptr, "N", frame), 1, 0);
    grid->addWidget(value_, 1, 1);
    grid->addWidget(label(nullptr, "L", frame), 2, 0);
    grid->addWidget(low_, 2, 1);
    layout->addWidget(frame);

    block2_ = new AlertBlockWidget(2, tr("Alert Settings"), kSensorBlockFrequencies, half);
    layout->addWidget(block2_);
    connect(high_, &ThresholdField::left, this, [this] { commit(high_, true); });
    connect(low_, &ThresholdField::left, this, [this] { commit(low_, false); });
    connect(block2_, &AlertBlockWidget::captured, this, [this] { capture(block2_); });
    return half;
}

QWidget* SensorPanel::buildFanHalf() {
    auto* half = new QWidget(this);
    half->setObjectName("PictureFAN");
    auto* layout = new QVBoxLayout(half);

    auto* frame = new QGroupBox(tr("Fan Control"), half);
    auto* grid = new QGridLayout(frame);
    fanName_ = label("LabelFanName", {}, frame);
    QFont bold = fanName_->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.2);
    fanName_->setFont(bold);
    speed_ = label("LabelSpeed", {}, frame);
    QFont big = speed_->font();
    big.setBold(true);
    big.setPointSizeF(big.pointSizeF() * 1.3);
    speed_->setFont(big);
    fanPicture_ = label("Picture4", {}, frame);
    fanPicture_->setFixedSize(kFanPictureSide, kFanPictureSide);
    fanPicture_->setPixmap(artwork::fanFrame(0, kFanPictureSide));
    slider_ = new QSlider(Qt::Horizontal, frame);
    slider_->setObjectName("Slider1");
    slider_->setRange(0, int(kSliderSteps.size()) - 1);
    slider_->setPageStep(1);
    slider_->setTickPosition(QSlider::TicksBelow);
    slider_->setTickInterval(1);
    fanLimit_ = new ThresholdField("TextFan_Lmt", frame);
    fanLimit_->setMaximumWidth(kFieldWidth);
    fanLimit_->setAccessibleName(tr("Low threshold"));
    slider_->setAccessibleName(tr("Fan speed step"));
    // Tab as the rows read: the limit, then the slider under it.
    setTabOrder(fanLimit_, slider_);

    grid->addWidget(fanName_, 0, 0, 1, 4);
    grid->addWidget(fanPicture_, 1, 0, 3, 1);
    grid->addWidget(label(nullptr, "N", frame), 1, 1);
    grid->addWidget(speed_, 1, 2);
    grid->addWidget(label("Label10", "RPM", frame), 1, 3);
    grid->addWidget(label(nullptr, "L", frame), 2, 1);
    grid->addWidget(fanLimit_, 2, 2);
    grid->addWidget(slider_, 3, 1, 1, 3);
    layout->addWidget(frame);

    block1_ = new AlertBlockWidget(1, tr("O/U Threshold"), kFanBlockFrequencies, half);
    layout->addWidget(block1_);
    connect(slider_, &QSlider::valueChanged, this, &SensorPanel::sendStep);
    connect(fanLimit_, &ThresholdField::left, this, [this] { commit(fanLimit_, false); });
    connect(block1_, &AlertBlockWidget::captured, this, [this] { capture(block1_); });
    return half;
}

void SensorPanel::open(int slot, QPoint topLeft) {
    if (openedMark_ != 0) closePanel();
    move(topLeft);
    current_ = slot;  // the panel's edits and the slider act on it from here on
    const Reading r = ReadSensor(state_.table, slot, library_);
    setEnabled(true);
    show();
    raise();
    const SensorSlot& s = state_.table[slot];
    if (s.isFan())
        fillFanHalf(s, r.ok, r.value);
    else
        fillValueHalf(s, r.ok, r.value);
    openedMark_ = int16_t(slot + 1);
    if (sparkline_) {
        sparkline_->setSensor(slot);
        sparkline_->raise();
    }
    refreshTimer_->start(kSensorPanelRefreshMs);
}

void SensorPanel::attachHistory(const HistoryStore* store, const Clock& clock) {
    if (!sparkline_) {
        // In the top right corner, beside the name, over whichever half is shown.
        sparkline_ = new Sparkline(state_.table, clock, this);
        sparkline_->setGeometry(width() - kSparklineMargin - kSparklineSize.width(), kSparklineMargin,
                                kSparklineSize.width(), kSparklineSize.height());
    }
    sparkline_->setStore(store);
}

void SensorPanel::fillValueHalf(const SensorSlot& s, bool ok, double value) {
    fanHalf_->setEnabled(false);
    fanHalf_->hide();
    valueHalf_->setEnabled(true);
    valueHalf_->setGeometry(rect());
    valueHalf_->show();
    valueName_->setText(QString::fromStdString(s.Name));
    fanName_->setText(QString::fromStdString(s.Name));
    valueUnit_->setText("(" + QString::fromStdString(s.Unit) + ")");
    low_->setText(numberString(s.LowThreshold));
    high_->setText(numberString(s.HighThreshold));
    value_->setText(ok ? numberString(value) : uiText(s.ReadingText));
    colour(value_, ok ? kGoodReading : kFailedReading);
    block2_->show(alertBlockOf(s));
}

void SensorPanel::fillFanHalf(const SensorSlot& s, bool ok, double value) {
    valueHalf_->setEnabled(false);
    valueHalf_->hide();
    fanHalf_->setEnabled(true);
    fanHalf_->setGeometry(rect());
    fanHalf_->show();
    fanLimit_->setText(numberString(s.LowThreshold));
    fanName_->setText(QString::fromStdString(s.Name));
    frame_ = 0;
    fanPicture_->setPixmap(artwork::fanFrame(0, kFanPictureSide));

    // The selector goes to the library as a byte: one that does not fit controls nothing.
    const bool controllable = s.FanControl > 0 && s.FanControl <= 0xFF;
    if (s.FanControl != 0 && !controllable)
        platform_.log("fan control " + std::to_string(s.FanControl) + " of " + s.Name + " is not a byte; ignored");
    if (controllable) {
        slider_->setEnabled(true);
        uint8_t duty = 0;
        // The reading just before selected the fan's chip.
        library_.GetFanDuty(uint8_t(s.FanControl), &duty);
        // The panel's own placing of the slider is not a move: nothing is sent for it.
        const QSignalBlocker quiet(slider_);
        slider_->setValue(sliderPositionForDuty(value, duty));
    } else {
        slider_->setEnabled(false);
    }

    if (ok) {
        speed_->setText(numberString(value));
        colour(speed_, kGoodReading);
        setFanInterval(fanFrameInterval(value, true));
    } else {
        speed_->setText(uiText(s.ReadingText));
        colour(speed_, kFailedReading);
        fanTimer_->stop();
        fanPicture_->setPixmap(artwork::fanFrame(0, kFanPictureSide));
    }
    block1_->show(alertBlockOf(s));
}

void SensorPanel::setFanInterval(std::optional<int> interval) {
    if (!interval) {
        fanTimer_->stop();
        return;
    }
    if (!fanTimer_->isActive() || fanTimer_->interval() != *interval) fanTimer_->start(*interval);
}

void SensorPanel::refreshFanHalf(bool ok, double value) {
    if (ok) setFanInterval(fanFrameInterval(value, false));
    speed_->setText(uiText(current().ReadingText));
}

void SensorPanel::refresh() {
    const int slot = current_;
    cycle_.pollSensor(slot, [this, slot](const Reading& r) {
        if (state_.table[slot].isFan())
            refreshFanHalf(r.ok, r.value);
        else
            value_->setText(uiText(state_.table[slot].ReadingText));
    });
}

void SensorPanel::sendStep(int position) {
    // Every move the user makes is sent: the slider shows no setting that is not in force.
    const SliderStep step = kSliderSteps[size_t(position)];
    const SensorSlot& s = current();
    library_.SetCurrentHwm(s.ChipId.c_str());
    library_.SetFanPWM2(uint8_t(s.FanControl), s.Channel, step.exponent, step.duty);
    // A new 5-second period: the next reading shows the fan at its new speed.
    refreshTimer_->start(kSensorPanelRefreshMs);
}

void SensorPanel::commitEdits() {
    if (openedMark_ == 0) return;
    if (high_->isModified()) commit(high_, true);
    if (low_->isModified()) commit(low_, false);
    if (fanLimit_->isModified()) commit(fanLimit_, false);
}

void SensorPanel::focusFirstField() { (current().isFan() ? fanLimit_ : high_)->setFocus(Qt::TabFocusReason); }

void SensorPanel::commit(ThresholdField* field, bool high) {
    // Also when the panel closes under the field: an edit is never lost.
    const ThresholdCommit c =
        commitThreshold(current(), high ? Threshold::High : Threshold::Low, field->text().toStdString());
    field->setText(QString::fromStdString(c.fieldText));  // also clears the field's edited mark
    if (!c.message.empty()) platform_.message(c.message);
}

void SensorPanel::capture(AlertBlockWidget* block) {
    const std::string message = captureAlertBlock(current(), block->current());
    if (!message.empty()) platform_.message(message);
}

void SensorPanel::closePanel() {
    setEnabled(false);
    hide();
    refreshTimer_->stop();
}

void SensorPanel::hidePanel() {
    setEnabled(false);
    hide();
}

}  // namespace qorv
