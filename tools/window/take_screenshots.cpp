// Pictures of every page of the window on an emulated board, for people to look at:
//   take_screenshots [--point-size POINTS] OUTPUT_FOLDER [BOARD]
// Starts the driver service on a private socket, binds the real library, opens the
// window and saves one PNG per page (and per tab of the monitoring page), the sensor panel
// and the two dialogs. POINTS is the application's default font size; the scale is
// QT_SCALE_FACTOR's. Texts that do not fit their places are named on the error output.
#include <QApplication>
#include <QDir>
#include <QTabBar>
#include <QTest>
#include <cstdio>

#include "alarm.h"
#include "board_select_dialog.h"
#include "board_view_page.h"
#include "countdown.h"
#include "countdown_dialog.h"
#include "hwm_binding.h"
#include "main_window.h"
#include "monitoring_page.h"
#include "recording_platform.h"
#include "emulated_board.h"
#include "shown_text.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    if (args.size() >= 2 && args[0] == "--point-size") {
        bool ok = false;
        const int points = args[1].toInt(&ok);
        if (!ok || points <= 0) {
            std::fprintf(stderr, "take_screenshots: --point-size takes a positive number of points\n");
            return 2;
        }
        QFont font = QApplication::font();
        font.setPointSize(points);
        QApplication::setFont(font);
        args = args.mid(2);
    }
    if (args.isEmpty()) {
        std::fprintf(stderr, "usage: take_screenshots [--point-size POINTS] OUTPUT_FOLDER [BOARD]\n");
        return 2;
    }
    const QString out = QDir(args[0]).absolutePath();
    const QString board = args.size() > 1 ? args[1] : "M4430";
    QDir().mkpath(out);

    qorv::testing::EmulatedBoard emulated(board);
    if (!emulated.ready()) {
        std::fprintf(stderr, "the driver service did not start:\n%s\n", emulated.log().c_str());
        return 1;
    }
    qorv::MonitorState state = emulated.firstUseState();
    qorv::testing::RecordingPlatform platform;
    qorv::HwmBinding library([](const std::string& m) { std::fprintf(stderr, "%s\n", m.c_str()); },
                             QVNHWM_SHARED_LIBRARY);
    qorv::MainWindow window(state, library, platform);
    window.load();
    window.show();
    if (!QTest::qWaitForWindowExposed(&window)) std::fprintf(stderr, "the window was never shown\n");

    auto saveOf = [&](QWidget* shown, const QString& name) {
        QTest::qWait(300);
        const QString path = out + "/" + name + ".png";
        shown->grab().save(path);
        std::printf("%s\n", qPrintable(path));
        for (const QString& clipped : qorv::testing::clippedTexts(shown))
            std::fprintf(stderr, "%s: %s\n", qPrintable(name), qPrintable(clipped));
    };
    auto save = [&](const QString& name) { saveOf(&window, name); };
    window.showAboutPage();
    save("about");
    window.showSettingsPage();
    save("general-setting");
    window.showMonitoringPage();
    const char* tabs[] = {"monitoring-fan", "monitoring-voltage", "monitoring-temperature"};
    for (int tab = 0; tab < 3; ++tab) {
        window.monitoringPage()->tabStrip()->setCurrentIndex(tab);
        QTest::qWait(1700);  // the gauge follows within 1.5 s
        save(tabs[tab]);
    }
    window.showBoardViewPage();
    save("qorvanescope");

    // The sensor panel open on a voltage, a temperature and a fan, each at its own label.
    qorv::BoardViewPage* view = window.boardViewPage();
    for (const auto& [unit, name] :
         {std::pair{"V", "panel-voltage"}, {"C", "panel-temperature"}, {"RPM", "panel-fan"}}) {
        for (int i = 0; i < state.table.count; ++i) {
            const qorv::SensorSlot& s = state.table[i];
            if (s.Unit != unit) continue;
            const QPoint centre(s.LabelLeft + s.LabelWidth / 2, s.LabelTop + s.LabelHeight / 2);
            view->openSensorPanel(i, view->mapToGlobal(centre));
            save(name);
            break;
        }
    }
    view->closeSensorPanel();

    qorv::BoardSelectDialog select(&window);
    select.show();
    if (QTest::qWaitForWindowExposed(&select)) saveOf(&select, "board-selection");
    select.hide();

    // The countdown before a shutdown, for the sensor with the longest name.
    qorv::SensorSlot sensor = state.table[0];
    for (int i = 1; i < state.table.count; ++i)
        if (state.table[i].Name.size() > sensor.Name.size()) sensor = state.table[i];
    sensor.ShutDown = 1;
    qorv::AlarmHandOver handOver;
    qorv::CountdownDialog countdown(qorv::countdownTexts(state.boardName, sensor, qorv::kHighAlertText), handOver,
                                    &window);
    countdown.show();
    if (QTest::qWaitForWindowExposed(&countdown)) saveOf(&countdown, "countdown");
    countdown.reject();
    return 0;
}
