// The board view "Qorvanescope": the picture of the board with a click target over each
// sensor (LabelOnSensor_0 .. LabelOnSensor_21), laid out from the board file. Tab takes the
// targets in reading order; Enter or Space opens a target's panel with the focus in it, and
// Escape closes the panel, the focus going back to the target it came from. Screen readers
// read a target as its sensor: "CPU1 Temp", "45 degrees Celsius", "high threshold 75, ...".
#pragma once

#include <QWidget>
#include <array>

#include "platform.h"
#include "sensor_source.h"
#include "startup.h"

class QLabel;

namespace qorv {

class PollCycle;
class SensorPanel;

class BoardViewPage : public QWidget {
    Q_OBJECT

public:
    static constexpr int kSensorLabels = 22;

    BoardViewPage(MonitorState& state, SensorSource& library, PollCycle& cycle, Platform& platform,
                  QWidget* parent = nullptr);

    // Loads the board picture and lays the labels out again; labels at or above the
    // sensor count are hidden. A missing picture leaves the page without one and is
    // reported once.
    void showBoard();
    // Hides and disables the sensor panel and stops its refresh.
    void closeSensorPanel();
    // Hides and disables the sensor panel; its refresh goes on.
    void hideSensorPanel();
    // Commits the panel's threshold edit in progress, before a save.
    void commitSensorPanelEdits();
    // Opens the panel for slot at a click's position on the screen.
    void openSensorPanel(int slot, QPoint globalPointer);
    // A target chosen: by a click at globalPointer, or from the keyboard (the panel then
    // opens at globalPointer with the focus on its first field).
    void activateSensor(int slot, QPoint globalPointer, bool byKeyboard);

    QLabel* picture() const { return picture_; }
    QLabel* sensorLabel(int index) const { return labels_[size_t(index)]; }
    SensorPanel* sensorPanel() const { return panel_; }

signals:
    void sensorClicked(int slot, QPoint globalPointer);

protected:
    void mouseMoveEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // A panel closing with the focus inside gives it back to the target it was opened from.
    void returnFocusFromPanel();

    MonitorState& state_;
    Platform& platform_;
    QLabel* picture_;
    QLabel* missingNote_;
    SensorPanel* panel_;
    std::array<QLabel*, kSensorLabels> labels_{};
    bool missingReported_ = false;
    int openedFrom_ = -1;  // the label the panel was last opened from
};

}  // namespace qorv
