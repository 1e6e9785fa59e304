// qorvmon-sensors: every sensor of the board, read once or every few seconds, for
// headless servers and scripts. It takes no alert actions.
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <iostream>
#include <string>
#include <thread>
#include <vector>

#include "board_file.h"
#include "hwm_binding.h"
#include "number_text.h"
#include "read_sensor.h"
#include "sensors_options.h"
#include "settings_file.h"
#include "settings_location.h"

namespace {

volatile std::sig_atomic_t stopRequested = 0;

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
    const qorv::ParsedSensorsOptions parsed =
        qorv::parseSensorsOptions(std::vector<std::string>(argv + 1, argv + argc));
    if (!parsed.options) {
        std::cerr << "qorvmon-sensors: " << parsed.error << "\n(qorvmon-sensors --help tells more)\n";
        return 2;
    }
    const qorv::SensorsOptions& options = *parsed.options;
    if (options.help) {
        std::cout << qorv::sensorsUsage();
        return 0;
    }
    if (options.version) {
        std::cout << "qorvmon-sensors " QORV_VERSION "\n";
        return 0;
    }

    auto complain = [](const std::string& m) { std::cerr << "qorvmon-sensors: " << m << "\n"; };
    const std::string folder = programFolder();
    std::string settings = options.settingsFile;
    if (settings.empty()) {
        const qorv::SettingsLocation location = qorv::locateSettings(qorv::settingsPlacesOf(folder));
        if (!location.problem.empty()) complain(location.problem);
        settings = location.path;
    }
    std::string boardProblem;
    const std::string chosen = qorv::readChosenBoard(settings, &boardProblem);
    if (!boardProblem.empty()) complain("QHwmset: " + boardProblem);
    const std::string board = options.board.empty() ? chosen : options.board;
    if (board.empty()) {
        std::cerr << "qorvmon-sensors: no board chosen in " << settings << "; name one with --board NAME\n";
        return 2;
    }

    qorv::SensorTable table;
    qorv::HwmBinding library(complain);
    const qorv::FileReport report = qorv::ReadBoardFile(qorv::boardFilePath(folder, board), table, library);
    for (const std::string& problem : report.describe()) complain(problem);
    if (!report.opened) return 2;
    qorv::ApplySensorDefaults(table);
    if (options.saveDefaults) {
        std::string error;
        const bool located = options.settingsFile.empty();
        if ((located && !qorv::makeSettingsFolder(settings, error)) ||
            !qorv::SaveSettings(settings, board, qorv::MailSettings{}, table, error)) {
            complain(error);
            return 1;
        }
        std::cout << "wrote " << settings << " for board " << board << "\n";
        return 0;
    }
    if (board == chosen) {
        qorv::MailSettings mail;
        for (const std::string& problem : qorv::LoadSettings(settings, table.count, table, mail).describe())
            complain("QHwmset: " + problem);
    }

    std::signal(SIGINT, [](int) { stopRequested = 1; });
    std::signal(SIGTERM, [](int) { stopRequested = 1; });
    printReadings(table, library);
    while (options.watch > 0 && !stopRequested) {
        for (int waited = 0; waited < options.watch * 10 && !stopRequested; ++waited)
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        if (stopRequested) break;
        std::printf("\n");
        printReadings(table, library);
    }
    library.ReleaseDLL();
    return 0;
}
