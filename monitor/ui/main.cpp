// Qorvmon: refuses a second copy, settles the board, loads the main window and lives in
// the notification area.
#include <QApplication>
#include <QCommandLineParser>
#include <QDir>

#include <cstdio>

#include "board_select_dialog.h"
#include "hwm_binding.h"
#include "main_window.h"
#include "settings_location.h"
#include "single_instance.h"
#include "startup.h"
#include "system_platform.h"
#include "tray_icon.h"

namespace {

constexpr int kExitUsage = 2;
constexpr const char* kName = "Qorvmon";

constexpr const char* kDescription =
    "The hardware monitor's window: the board's sensors, their alarms and alert actions; it\n"
    "lives in the notification area. A second copy only raises the first.\n\n"
    "The board files and pictures lie in the program folder. The settings file QHwmset lies\n"
    "there too when that folder is yours to write (a build or a portable copy), else in\n"
    "$XDG_CONFIG_HOME/qorvmon/QHwmset (~/.config/qorvmon/QHwmset), first copied from\n"
    "/etc/qorvmon/QHwmset when the administrator put one there.\n\n"
    "The hardware library talks to the driver service on /run/qvnbdrv/qvnbdrv.sock, or on\n"
    "the socket named by QVNBDRV_SOCKET. Qt's own options (-platform, -style ...) apply.";

void describeOptions(QCommandLineParser& parser) {
    parser.setApplicationDescription(kDescription);
    // Our own help and version options: Qt's would add --help-all, which the window would
    // have to answer too.
    parser.addOption(QCommandLineOption({"h", "help"}, "This text."));
    parser.addOption(QCommandLineOption("version", "The program's name and version."));
}

QStringList words(int argc, char** argv) {
    QStringList list;
    for (int i = 0; i < argc; ++i) list << QString::fromLocal8Bit(argv[i]);
    return list;
}

}  // namespace

int main(int argc, char** argv) {
    // --help and --version answer before any window system is reached, so they work on a
    // machine with no display; other complaints wait until Qt has taken its own options.
    {
        QCommandLineParser early;
        describeOptions(early);
        early.parse(words(argc, argv));
        if (early.isSet("help")) {
            std::fputs(early.helpText().replace("<executable_name>", kName).toLocal8Bit().constData(), stdout);
            return 0;
        }
        if (early.isSet("version")) {
            std::printf("%s %s\n", kName, QORV_VERSION);
            return 0;
        }
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(kName);
    QApplication::setApplicationVersion(QORV_VERSION);
    QCommandLineParser parser;
    describeOptions(parser);
    if (!parser.parse(QApplication::arguments()) || !parser.positionalArguments().isEmpty()) {
        const QString error = parser.errorText().isEmpty()
                                  ? "unexpected argument '" + parser.positionalArguments().first() + "'"
                                  : parser.errorText();
        std::fprintf(stderr, "%s: %s\n(%s --help tells more)\n", kName, error.toLocal8Bit().constData(), kName);
        return kExitUsage;
    }
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
    const qorv::SettingsLocation settings = qorv::locateSettings(qorv::settingsPlacesOf(state.programFolder));
    if (!settings.problem.empty()) platform.log(settings.problem);
    state.settingsFile = settings.path;
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
