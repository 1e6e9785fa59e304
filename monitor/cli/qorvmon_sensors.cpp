// qorvmon-sensors: every sensor of the board, read once or every few seconds, for
// headless servers and scripts. It takes no alert actions.
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <iostream>
#include <string>
#include <thread>

#include "board_file.h"
#include "hwm_binding.h"
#include "number_text.h"
#include "read_sensor.h"
#include "settings_file.h"

namespace {

volatile std::sig_atomic_t stopRequested = 0;

const char* kUsage = R"(Usage: qorvmon-sensors [--board NAME] [--watch SECONDS]

Reads every sensor of the board through the hardware library and prints one line per
sensor: name, reading (or "Read Failed"), unit, low and high threshold, and "!" when the
reading lies outside them. It takes no alert actions.

  --board NAME       the board, e.g. M4430, whose board file NAME.txt lies in the
                     program folder; without it, the board chosen in the application
                     (the settings file QHwmset in the program folder)
  --watch SECONDS    read again every SECONDS seconds until interrupted
  --save-defaults    write the settings file for the board with the board's default
                     thresholds and alerts, as the window does at first use (replacing
                     any settings file), and read nothing
  --help             this text

The thresholds are the application's own when the settings file is for this board, else
the board file's defaults.
The hardware library talks to the driver service on /run/qvnbdrv/qvnbdrv.sock, or on the
socket named by QVNBDRV_SOCKET.
)";

std::string programFolder() {
    char path[4096];
    const ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0) return ".";
    std::string p(path, size_t(n));
    return p.substr(0, p.find_last_of('/'));
}

void printReadings(qorv::SensorTable& table, qorv::SensorSource& library) {
    for (int i = 0; i < table.count; ++i) {
        const qorv::Reading r = qorv::ReadSensor(table, i, library);
        const qorv::SensorSlot& s = table[i];
        const bool outside = r.ok && (r.value > s.HighThreshold || r.value < s.LowThreshold);
        std::printf("%-20s %12s %-4s low %-9s high %-9s%s\n", s.Name.c_str(), s.ReadingText.c_str(), s.Unit.c_str(),
                    qorv::numberText(s.LowThreshold).c_str(), qorv::numberText(s.HighThreshold).c_str(),
                    outside ? " !" : "");
    }
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    std::string board;
    int watch = 0;
    bool saveDefaults = false;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--help" || a == "-h") {
            std::cout << kUsage;
            return 0;
        } else if (a == "--save-defaults") {
            saveDefaults = true;
        } else if (a == "--board" && i + 1 < argc) {
            board = argv[++i];
        } else if (a == "--watch" && i + 1 < argc) {
            const auto seconds = qorv::parseInteger(argv[++i], 1, 86400);
            if (!seconds) {
                std::cerr << "qorvmon-sensors: --watch takes a number of seconds from 1 to 86400\n";
                return 2;
            }
            watch = int(*seconds);
        } else {
            std::cerr << "qorvmon-sensors: unknown argument " << a << "\n" << kUsage;
            return 2;
        }
    }
    const std::string folder = programFolder();
    const std::string settings = qorv::settingsFilePath(folder);
    const std::string chosen = qorv::readChosenBoard(settings);
    if (board.empty()) board = chosen;
    if (board.empty()) {
        std::cerr << "qorvmon-sensors: no board chosen in " << settings << "; name one with --board NAME\n";
        return 2;
    }

    auto complain = [](const std::string& m) { std::cerr << "qorvmon-sensors: " << m << "\n"; };
    qorv::SensorTable table;
    qorv::HwmBinding library(complain);
    const qorv::BoardFileReport report = qorv::ReadBoardFile(qorv::boardFilePath(folder, board), table, library);
    for (const std::string& problem : report.problems) complain(problem);
    if (!report.opened) return 2;
    qorv::ApplySensorDefaults(table);
    if (saveDefaults) {
        std::string error;
        if (!qorv::SaveSettings(settings, board, qorv::MailSettings{}, table, error)) {
            complain(error);
            return 1;
        }
        std::cout << "wrote " << settings << " for board " << board << "\n";
        return 0;
    }
    if (board == chosen) {
        qorv::MailSettings mail;
        for (const std::string& problem : qorv::LoadSettings(settings, table.count, table, mail).problems)
            complain("QHwmset: " + problem);
    }

    std::signal(SIGINT, [](int) { stopRequested = 1; });
    std::signal(SIGTERM, [](int) { stopRequested = 1; });
    printReadings(table, library);
    while (watch > 0 && !stopRequested) {
        for (int waited = 0; waited < watch * 10 && !stopRequested; ++waited)
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        if (stopRequested) break;
        std::printf("\n");
        printReadings(table, library);
    }
    library.ReleaseDLL();
    return 0;
}
