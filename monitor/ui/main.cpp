// Qorvmon: refuses a second copy, settles the board, loads the main window and lives in
// the notification area.
#include <QApplication>
#include <QDir>

#include "board_select_dialog.h"
#include "hwm_binding.h"
#include "main_window.h"
#include "single_instance.h"
#include "startup.h"
#include "system_platform.h"
#include "tray_icon.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("Qorvmon");
    QApplication::setQuitOnLastWindowClosed(false);

    qorv::SystemPlatform platform;
    qorv::MainWindow* window = nullptr;
    qorv::SingleInstance instance;
    if (!instance.acquire([&window] {
            if (window) window->tray().restoreWindow();
        })) {
        instance.askHolderToRaise();
        platform.message(qorv::kAlreadyRunning);
        return 0;
    }

    qorv::MonitorState state;
    state.programFolder = QDir(QApplication::applicationDirPath()).absolutePath().toStdString();
    qorv::decideBoard(state);
    if (state.boardNotChosen == qorv::kYes) {
        qorv::BoardSelectDialog dialog;
        if (dialog.exec() != QDialog::Accepted) return 0;
        state.boardName = dialog.boardName().toStdString();
    }

    qorv::HwmBinding library([&platform](const std::string& m) { platform.log(m); });
    qorv::MainWindow main(state, library, platform);
    window = &main;
    platform.setMessageParent(&main);
    main.load();
    main.showMonitoringPage();
    main.show();
    return app.exec();
}
