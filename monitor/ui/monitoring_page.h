// The System Monitoring page: a tab per reading group (fans, voltages, temperatures),
// each with its grid, its gauge and its frame, the monitor button with its lamp, and the
// timers that refresh the visible group and move the gauges.
#pragma once

#include <QWidget>
#include <functional>
#include <memory>

class QTabBar;

namespace qorv {

class HistoryChart;
class PollCycle;
class WindowHistory;
struct MonitorState;

class MonitoringPage : public QWidget {
    Q_OBJECT

public:
    // closeCountdown closes the countdown dialog if one is open: a refresh cancels it.
    // The page's refreshes are passes of cycle, which refuses one inside another or over an
    // open countdown.
    MonitoringPage(MonitorState& state, PollCycle& cycle, std::function<void()> closeCountdown,
                   QWidget* parent = nullptr);
    ~MonitoringPage() override;

    // Counts the groups' sensors and lays the grids out; the page then shows group 0.
    void LayoutReadingPages();
    // TimerForMonitorInit: one refresh of the visible group 1 ms later, and the fan gauge.
    void startMonitorInit();
    // Fills the visible group's grid from fresh readings and evaluates them.
    void refreshVisibleGroup();
    // TabStripMonitor, which the countdown disables while it runs.
    QTabBar* tabStrip() const;
    bool monitoring() const;
    // While the window is hidden nobody sees the frames' captions or the gauges: passes and
    // gauge ticks leave them alone (reading and evaluating as ever), and the gauge group's
    // are brought up to date the moment the window shows again.
    void setWindowHidden(bool hidden);

    // The chart of the gauge sensor's history beside the grid, drawn from history, which
    // each pass of the page tells that it has read the board.
    void attachHistory(WindowHistory& history);
    HistoryChart* historyChart() const;

private:
    struct Parts;
    std::unique_ptr<Parts> parts_;
};

}  // namespace qorv
