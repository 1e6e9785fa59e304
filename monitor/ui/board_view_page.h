// The board view "Qorvanescope": the picture of the board with a click target over each
// sensor (LabelOnSensor_0 .. LabelOnSensor_21), laid out from the board file.
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

    QLabel* picture() const { return picture_; }
    QLabel* sensorLabel(int index) const { return labels_[size_t(index)]; }
    SensorPanel* sensorPanel() const { return panel_; }

signals:
    void sensorClicked(int slot, QPoint globalPointer);

protected:
    void mouseMoveEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    MonitorState& state_;
    Platform& platform_;
    QLabel* picture_;
    QLabel* missingNote_;
    SensorPanel* panel_;
    std::array<QLabel*, kSensorLabels> labels_{};
    bool missingReported_ = false;
};

}  // namespace qorv
