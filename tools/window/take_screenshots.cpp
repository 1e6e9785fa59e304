// Pictures of every page of the window on an emulated board, for people to look at:
//   take_screenshots OUTPUT_FOLDER [BOARD]
// Starts the driver service on a private socket, binds the real library, opens the
// window and saves one PNG per page (and per tab of the monitoring page).
#include <QApplication>
#include <QDir>
#include <QTabBar>
#include <QTest>
#include <cstdio>

#include "board_view_page.h"
#include "hwm_binding.h"
#include "main_window.h"
#include "monitoring_page.h"
#include "recording_platform.h"
#include "emulated_board.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: take_screenshots OUTPUT_FOLDER [BOARD]\n");
        return 2;
    }
    const QString out = QDir(argv[1]).absolutePath();
    const QString board = argc > 2 ? argv[2] : "M4430";
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

    auto save = [&](const QString& name) {
        QTest::qWait(300);
        const QString path = out + "/" + name + ".png";
        window.grab().save(path);
        std::printf("%s\n", qPrintable(path));
    };
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
    return 0;
}
