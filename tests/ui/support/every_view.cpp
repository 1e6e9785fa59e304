#include "every_view.h"

#include <QTabBar>
#include <QTest>
#include <algorithm>

#include "alarm.h"
#include "board_select_dialog.h"
#include "board_view_page.h"
#include "countdown.h"
#include "countdown_dialog.h"
#include "main_window.h"
#include "monitoring_page.h"
#include "opening_effect.h"

namespace qorv::testing {

namespace {

// The first sensor of unit, or -1.
int sensorOf(const MonitorState& state, const char* unit) {
    for (int i = 0; i < state.table.count; ++i)
        if (state.table[i].Unit == unit) return i;
    return -1;
}

// The sensor with the longest name: it makes the longest countdown warning.
int longestNamed(const MonitorState& state) {
    int longest = 0;
    for (int i = 1; i < state.table.count; ++i)
        if (state.table[i].Name.size() > state.table[longest].Name.size()) longest = i;
    return longest;
}

}  // namespace

void showEveryView(MainWindow& window, MonitorState& state,
                   const std::function<void(const QString& view, QWidget* shown)>& seen) {
    // The opening effect's rectangles lie over everything for a moment.
    const bool opened = QTest::qWaitFor([&] {
        const QObjectList children = window.centralWidget()->children();
        return std::none_of(children.begin(), children.end(),
                            [](QObject* c) { return dynamic_cast<OpeningEffect*>(c) != nullptr; });
    });
    if (!opened) qWarning("the opening effect is still over the window");
    // Each view is looked at as it is painted: once the layouts its new texts asked for ran.
    const auto look = [&](const QString& view, QWidget* shown) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
        seen(view, shown);
    };
    window.showAboutPage();
    look("About", &window);
    window.showSettingsPage();
    look("General Setting", &window);

    window.showMonitoringPage();
    QTabBar* tabs = window.monitoringPage()->tabStrip();
    for (int tab = 0; tab < tabs->count(); ++tab) {
        tabs->setCurrentIndex(tab);
        look("System Monitoring " + tabs->tabText(tab), &window);
    }

    window.showBoardViewPage();
    look("Qorvanescope", &window);
    BoardViewPage* view = window.boardViewPage();
    for (const char* unit : {"V", "C", "RPM"}) {
        const int slot = sensorOf(state, unit);
        if (slot < 0) continue;
        view->openSensorPanel(slot, view->mapToGlobal(QPoint(300, 200)));
        look(QStringLiteral("the sensor panel on %1").arg(QString::fromStdString(state.table[slot].Name)), &window);
    }
    view->closeSensorPanel();

    BoardSelectDialog select(&window);
    select.show();
    if (QTest::qWaitForWindowExposed(&select)) look("the board selection", &select);
    select.hide();

    SensorSlot sensor = state.table[longestNamed(state)];
    sensor.ShutDown = 1;
    AlarmHandOver handOver;
    CountdownDialog countdown(countdownTexts(state.boardName, sensor, kHighAlertText), handOver, &window);
    countdown.show();
    if (QTest::qWaitForWindowExposed(&countdown)) look("the countdown", &countdown);
    countdown.reject();
}

}  // namespace qorv::testing
