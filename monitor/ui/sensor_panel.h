// The sensor panel "PicDis_Set" of the board view: the opened sensor's name and fresh
// reading, its thresholds and alert choices, and for a fan its speed with a turning fan
// and the six-step duty slider. While open it re-reads and evaluates its sensor every
// 5 seconds.
#pragma once

#include <QWidget>

#include "clock.h"
#include "platform.h"
#include "sensor_source.h"
#include "startup.h"

class QLabel;
class QSlider;
class QTimer;

namespace qorv {

class AlertBlockWidget;
class HistoryStore;
class PollCycle;
class Sparkline;
class ThresholdField;

class SensorPanel : public QWidget {
    Q_OBJECT

public:
    // The refresh is a pass of cycle: refused inside another pass or over an open countdown.
    SensorPanel(MonitorState& state, SensorSource& library, PollCycle& cycle, Platform& platform,
                QWidget* parent = nullptr);

    // Opens the panel for slot with its top-left corner at topLeft (in the parent's
    // coordinates): reads the sensor, fills the half that fits its unit, starts the refresh.
    void open(int slot, QPoint topLeft);
    // Hides and disables the panel and stops the refresh.
    void closePanel();
    // Hides and disables the panel; the refresh goes on.
    void hidePanel();
    // One tick of the refresh.
    void refresh();

    // Commits a threshold the user has typed into and not yet left, as leaving it would.
    void commitEdits();
    // Puts the focus on the open half's first field: the high threshold, a fan's low limit.
    void focusFirstField();

    // The small line of the open sensor's last 10 minutes, drawn from store.
    void attachHistory(const HistoryStore* store, const Clock& clock);
    Sparkline* sparkline() const { return sparkline_; }

    int currentSensor() const { return current_; }
    int openedMark() const { return openedMark_; }

private:
    QWidget* buildValueHalf();
    QWidget* buildFanHalf();
    void fillValueHalf(const SensorSlot& s, bool ok, double value);
    void fillFanHalf(const SensorSlot& s, bool ok, double value);
    void refreshFanHalf(bool ok, double value);
    void setFanInterval(std::optional<int> interval);
    void sendStep(int position);
    void commit(ThresholdField* field, bool high);
    void capture(AlertBlockWidget* block);
    SensorSlot& current() { return state_.table[current_]; }

    MonitorState& state_;
    SensorSource& library_;
    PollCycle& cycle_;
    Platform& platform_;
    int current_ = 0;
    int16_t openedMark_ = 0;
    int frame_ = 0;

    Sparkline* sparkline_ = nullptr;
    QTimer* refreshTimer_;
    QTimer* fanTimer_;
    QWidget* valueHalf_;
    QLabel* valueName_;
    QLabel* valueUnit_;
    QLabel* value_;
    ThresholdField* high_;
    ThresholdField* low_;
    AlertBlockWidget* block2_;
    QWidget* fanHalf_;
    QLabel* fanName_;
    QLabel* speed_;
    QLabel* fanPicture_;
    QSlider* slider_;
    ThresholdField* fanLimit_;
    AlertBlockWidget* block1_;
};

}  // namespace qorv
