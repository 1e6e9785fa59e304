// The main window "mainForm": the navigation strip, the page containers beside it, the
// tray icon and its menu, the two exits, and the alarm's window-side actions.
#pragma once

#include <QMainWindow>
#include <QPointer>
#include <memory>
#include <vector>

#include "alarm.h"
#include "countdown_dialog.h"
#include "platform.h"
#include "sensor_source.h"
#include "startup.h"

class QMenu;

namespace qorv {

class AlarmHost;
class BoardViewPage;
class EpisodeRecordingActions;
class MonitoringPage;
class NavigationStrip;
class PollCycle;
class QtEventPump;
class ScreenPage;
class TrayIcon;
class WindowHistory;

class MainWindow : public QMainWindow {
    Q_OBJECT

public:
    MainWindow(MonitorState& state, SensorSource& library, Platform& platform, QWidget* parent = nullptr);
    ~MainWindow() override;

    // The main window's load: tray icon (once), caption, board file and library, settings
    // (first use: defaults and a fresh file), gauge on slot 0. Problems found in the board
    // or settings file are shown once the window is up.
    void load();

    void showAboutPage();
    void showMonitoringPage();
    void showSettingsPage();
    void showBoardViewPage();
    // L_Exit and Ctrl+Q: save, remove the icon, end.
    void exitFromWindow();
    // The tray menu's exit: release the library, remove the icon, end; nothing saved.
    void exitFromMenu();

    // The growing rectangles over the window when it opens.
    void playOpeningEffect(int steps);

    // The alarm's countdown, modal over the disabled window; sets handOver's result.
    void runCountdown(AlarmHandOver& handOver);
    // Closes a countdown still open: it counts as cancelled.
    void closeCountdown();
    bool saveSettings();
    void removeTrayIcon();

    Alarm& alarm() { return *alarm_; }
    // The one poll-and-evaluate cycle of the monitoring page and the sensor panel.
    PollCycle& pollCycle() { return *cycle_; }
    TrayIcon& tray() { return *tray_; }
    // Every sensor's last day, its log and the alarm episodes.
    WindowHistory& history() { return *history_; }
    QMenu* trayMenu() const { return trayMenu_; }
    MonitoringPage* monitoringPage() const { return monitoring_; }
    // The About and General Setting pages, made at their first use: the window opens on
    // the monitoring page, and many a run never shows them.
    ScreenPage* screenPage();
    // Made at its first use or shortly after the window is up, whichever comes first: it is
    // the largest page, and no part of start-up needs it.
    BoardViewPage* boardViewPage();
    NavigationStrip* navigationStrip() const { return strip_; }
    CountdownDialog* countdownDialog() const { return countdown_; }
    const std::vector<std::string>& loadProblems() const { return loadProblems_; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    // The sensor panel closes with the board view, when there is one.
    void closeSensorPanel();
    void attachPanelHistory();
    // Whether closing or minimising may hide the window: only when a notification area can
    // bring it back; says once why not.
    bool mayHide();
    void buildTrayMenu();
    void switchTo(QWidget* page);
    void runCommand(int command);

    MonitorState& state_;
    SensorSource& library_;
    Platform& platform_;
    std::unique_ptr<QtEventPump> pump_;
    std::unique_ptr<AlarmHost> alarmHost_;
    std::unique_ptr<WindowHistory> history_;
    std::unique_ptr<EpisodeRecordingActions> episodes_;
    std::unique_ptr<Alarm> alarm_;
    std::unique_ptr<PollCycle> cycle_;

    NavigationStrip* strip_;
    ScreenPage* screen_ = nullptr;
    MonitoringPage* monitoring_;
    BoardViewPage* boardView_ = nullptr;
    QMenu* trayMenu_;
    TrayIcon* tray_;
    QPointer<CountdownDialog> countdown_;
    int16_t trayInstalled_ = kNo;
    bool toldNoNotificationArea_ = false;
    std::vector<std::string> loadProblems_;
};

}  // namespace qorv
