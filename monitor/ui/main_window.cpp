#include "main_window.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QMenu>
#include <QShortcut>
#include <QTabBar>
#include <QTimer>

#ifdef __GLIBC__
#  include <malloc.h>
#endif

#include "alarm_episodes.h"
#include "alarm_host.h"
#include "artwork.h"
#include "board_view_page.h"
#include "clock.h"
#include "countdown_dialog.h"
#include "monitoring_page.h"
#include "navigation_strip.h"
#include "opening_effect.h"
#include "poll_cycle.h"
#include "qt_event_pump.h"
#include "screen_page.h"
#include "sensor_panel.h"
#include "sparkline.h"
#include "tray_icon.h"
#include "ui_geometry.h"
#include "window_history.h"

namespace qorv {

namespace {

// The history waits this long after the load, so the window is up before the log is read.
constexpr int kHistoryReloadDelayMs = 200;

// Gives the pages of the heap that nothing uses any more back to the system: what a
// hidden window let go (its pictures) and what reading the log took, which the allocator
// would otherwise keep resident for the rest of the run.
void releaseFreeMemory() {
#ifdef __GLIBC__
    malloc_trim(0);
#endif
}

// A page beside the strip, hidden and disabled until it is switched to.
template <typename Page>
Page* placedHidden(Page* page) {
    page->move(ui::kStripWidth, 0);
    page->hide();
    page->setEnabled(false);
    return page;
}

const Clock& windowClock() {
    static const SystemClock clock;
    return clock;
}

// Collects what the load sequence finds wrong, to show once the window is up.
class WindowLoadHost final : public LoadHost {
public:
    void openingEffect(int steps) override { effectSteps = steps; }
    void report(const std::string& problem) override { problems.push_back(problem); }
    int effectSteps = 0;
    std::vector<std::string> problems;
};

}  // namespace

MainWindow::MainWindow(MonitorState& state, SensorSource& library, Platform& platform, QWidget* parent)
    : QMainWindow(parent), state_(state), library_(library), platform_(platform) {
    setObjectName("mainForm");
    setWindowTitle(kDesignCaption);
    setWindowIcon(artwork::applicationIcon());

    pump_ = std::make_unique<QtEventPump>();
    alarmHost_ = std::make_unique<AlarmHost>(*this, platform_);
    history_ = std::make_unique<WindowHistory>(
        state_, library_, windowClock(), [this] { return cycle_->mayStart(); },
        [this](const std::string& problem) { platform_.log(problem); });
    // The alarm's start and end go into the history on their way to the window.
    episodes_ =
        std::make_unique<EpisodeRecordingActions>(*alarmHost_, *history_, state_.table, state_.mail, windowClock());
    alarm_ = std::make_unique<Alarm>(state_.table, state_.mail, library_, platform_, *episodes_, *pump_);
    cycle_ = std::make_unique<PollCycle>(state_.table, library_, *alarm_, *pump_);

    auto* central = new QWidget(this);
    central->setObjectName("centralArea");
    central->setFixedSize(ui::windowSize());
    setCentralWidget(central);

    strip_ = new NavigationStrip(central);
    strip_->move(0, 0);
    connect(strip_, &NavigationStrip::commandChosen, this, &MainWindow::runCommand);
    // The strip is the window outside the board: a pointer there only hides the panel.
    connect(strip_, &NavigationStrip::pointerMoved, this, [this] {
        if (boardView_) boardView_->hideSensorPanel();
    });

    monitoring_ = placedHidden(new MonitoringPage(
        state_, *cycle_, [this] { closeCountdown(); }, central));

    // Ctrl+Q ends the program as the strip's Exit does, saving first. Tab goes down the strip,
    // then through the page shown, in the order the widgets were made.
    auto* quit = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q), this);
    connect(quit, &QShortcut::activated, this, &MainWindow::exitFromWindow);

    buildTrayMenu();
    tray_ = new TrayIcon(this, trayMenu_);
    setFixedSize(sizeHint().expandedTo(ui::windowSize()));
}

MainWindow::~MainWindow() = default;

void MainWindow::buildTrayMenu() {
    trayMenu_ = new QMenu("&popup", this);
    trayMenu_->setObjectName("mnuTray");
    auto item = [&](const char* name, const QString& caption, auto slot) {
        QAction* a = trayMenu_->addAction(caption);
        a->setObjectName(name);
        connect(a, &QAction::triggered, this, slot);
    };
    trayMenu_->addSeparator()->setObjectName("sep5");
    item("mnuAbout", tr("&About QVN ..."), &MainWindow::showAboutPage);
    trayMenu_->addSeparator()->setObjectName("sep3");
    item("mnuMonitor", tr("&System Monitoring"), &MainWindow::showMonitoringPage);
    trayMenu_->addSeparator()->setObjectName("sep2");
    item("mnuSetting", tr("&General Setting"), &MainWindow::showSettingsPage);
    trayMenu_->addSeparator()->setObjectName("sep8");
    item("mnuGraphCon", tr("&Qorvanescope"), &MainWindow::showBoardViewPage);
    trayMenu_->addSeparator()->setObjectName("sep4");
    item("mnuExit", tr("&Exit Qorvane System"), &MainWindow::exitFromMenu);
    trayMenu_->addSeparator()->setObjectName("sep6");
}

void MainWindow::load() {
    if (trayInstalled_ == kNo) {
        tray_->AddTrayIcon();
        trayInstalled_ = kYes;
        tray_->SetTrayTip(kApplicationTitle);
    }
    setWindowTitle(QString::fromStdString(state_.caption()));

    WindowLoadHost host;
    loadMainWindow(state_, library_, host);
    loadProblems_ = host.problems;
    history_->start();
    monitoring_->attachHistory(*history_);
    if (boardView_) attachPanelHistory();
    QTimer::singleShot(kHistoryReloadDelayMs, this, [this] {
        boardViewPage();
        history_->reload();
        releaseFreeMemory();
    });
    if (host.effectSteps > 0) {
        const int steps = host.effectSteps;
        QTimer::singleShot(0, this, [this, steps] { playOpeningEffect(steps); });
    }
    if (!loadProblems_.empty()) {
        std::string text =
            tr("The board's files have problems; the monitor goes on with what it could read.").toStdString() + "\n";
        for (const std::string& p : loadProblems_) text += "\n" + p;
        QTimer::singleShot(0, this, [this, text] { platform_.message(text); });
    }
}

ScreenPage* MainWindow::screenPage() {
    if (screen_) return screen_;
    screen_ = placedHidden(new ScreenPage(
        state_, platform_, [this] { saveSettings(); }, centralWidget()));
    return screen_;
}

BoardViewPage* MainWindow::boardViewPage() {
    if (boardView_) return boardView_;
    boardView_ = placedHidden(new BoardViewPage(state_, library_, *cycle_, platform_, centralWidget()));
    if (history_->store()) attachPanelHistory();
    return boardView_;
}

void MainWindow::attachPanelHistory() {
    boardView_->sensorPanel()->attachHistory(history_->store(), history_->clock());
    connect(history_.get(), &WindowHistory::sampled, boardView_->sensorPanel()->sparkline(),
            qOverload<>(&QWidget::update), Qt::UniqueConnection);
}

void MainWindow::closeSensorPanel() {
    if (boardView_) boardView_->closeSensorPanel();
}

void MainWindow::playOpeningEffect(int steps) { new OpeningEffect(centralWidget(), steps); }

void MainWindow::runCommand(int command) {
    switch (command) {
        case NavigationStrip::kAbout: showAboutPage(); break;
        case NavigationStrip::kMonitoring: showMonitoringPage(); break;
        case NavigationStrip::kSettings: showSettingsPage(); break;
        case NavigationStrip::kBoardView: showBoardViewPage(); break;
        case NavigationStrip::kExit: exitFromWindow(); break;
    }
}

void MainWindow::switchTo(QWidget* page) {
    // Only one container is visible and enabled at a time.
    for (QWidget* other :
         {static_cast<QWidget*>(screen_), static_cast<QWidget*>(monitoring_), static_cast<QWidget*>(boardView_)})
        if (other && other != page) {
            other->hide();
            other->setEnabled(false);
        }
    page->move(ui::kStripWidth, 0);
    page->setEnabled(true);
}

void MainWindow::showAboutPage() {
    closeSensorPanel();
    switchTo(screenPage());
    screen_->showAbout();
    screen_->show();
    strip_->showPage(artwork::kAboutPage);
}

void MainWindow::showMonitoringPage() {
    closeSensorPanel();
    switchTo(monitoring_);
    strip_->showPage(artwork::kMonitoringPage);
    monitoring_->LayoutReadingPages();
    monitoring_->show();
    monitoring_->startMonitorInit();
}

void MainWindow::showSettingsPage() {
    closeSensorPanel();
    switchTo(screenPage());
    screen_->showSettings();
    screen_->show();
    strip_->showPage(artwork::kSettingsPage);
}

void MainWindow::showBoardViewPage() {
    // The sensor panel stays as it was: the board view is where it lives.
    switchTo(boardViewPage());
    strip_->showPage(artwork::kBoardViewPage);
    boardView_->showBoard();
    boardView_->show();
}

bool MainWindow::saveSettings() {
    // An edit still open in the sensor panel is part of what the user saves.
    if (boardView_) boardView_->commitSensorPanelEdits();
    std::string error;
    if (qorv::saveState(state_, error)) return true;
    platform_.log(error);
    platform_.message(tr("The settings could not be saved: %1").arg(QString::fromStdString(error)).toStdString());
    return false;
}

void MainWindow::removeTrayIcon() { tray_->RemoveTrayIcon(); }

void MainWindow::exitFromWindow() {
    saveSettings();
    removeTrayIcon();
    platform_.endProcess(0);
}

void MainWindow::exitFromMenu() {
    library_.ReleaseDLL();
    removeTrayIcon();
    platform_.endProcess(0);
}

void MainWindow::runCountdown(AlarmHandOver& handOver) {
    QTabBar* tabs = monitoring_->tabStrip();
    centralWidget()->setEnabled(false);
    if (tabs) tabs->setEnabled(false);
    closeCountdown();

    const CountdownTexts texts =
        countdownTexts(state_.boardName, state_.table[handOver.alertSensor], handOver.alertText);
    CountdownDialog dialog(texts, handOver, this);
    countdown_ = &dialog;
    dialog.exec();
    countdown_ = nullptr;

    if (tabs) tabs->setEnabled(true);
    centralWidget()->setEnabled(true);
}

void MainWindow::closeCountdown() {
    if (countdown_) countdown_->reject();
}

bool MainWindow::mayHide() {
    if (platform_.notificationAreaAvailable()) return true;
    if (!toldNoNotificationArea_) {
        toldNoNotificationArea_ = true;
        platform_.message(tr("This desktop has no notification area to bring the window back from: the window is "
                             "minimised instead of hidden, and monitoring goes on. Use Exit to end the program.")
                              .toStdString());
    }
    return false;
}

void MainWindow::closeEvent(QCloseEvent* event) {
    // Closing only hides the window: monitoring goes on, the tray icon brings it back. With
    // no notification area nothing could, so the window is minimised instead.
    event->ignore();
    if (mayHide())
        hide();
    else
        showMinimized();
}

void MainWindow::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    monitoring_->setWindowHidden(false);
}

void MainWindow::hideEvent(QHideEvent* event) {
    QMainWindow::hideEvent(event);
    monitoring_->setWindowHidden(true);
    // Once the hidden pages have dropped their pictures.
    QTimer::singleShot(0, this, [] { releaseFreeMemory(); });
}

void MainWindow::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && isMinimized())
        QTimer::singleShot(0, this, [this] {
            if (isMinimized() && mayHide()) hide();
        });
}

}  // namespace qorv
