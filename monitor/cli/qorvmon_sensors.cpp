// qorvmon-sensors: every sensor of the board, read once or every few seconds, for
// headless servers, scripts and monitoring systems. It takes no alert actions.
#include <chrono>
#include <csignal>
#include <cstdio>
#include <iostream>
#include <string>
#include <thread>
#include <vector>

#include "alert_rules.h"
#include "board_file.h"
#include "check_output.h"
#include "hwm_binding.h"
#include "pass_reporter.h"
#include "pass_status.h"
#include "program_folder.h"
#include "sensors_options.h"
#include "settings_file.h"
#include "settings_location.h"

namespace {

volatile std::sig_atomic_t stopRequested = 0;

void complain(const std::string& message) { std::cerr << "qorvmon-sensors: " << message << "\n"; }

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    const qorv::ParsedSensorsOptions parsed = qorv::parseSensorsOptions(arguments);
    if (!parsed.options) {
        if (qorv::asksForCheck(arguments)) {
            std::fputs(qorv::unknownReport("qorvmon-sensors: " + parsed.error).c_str(), stdout);
            return int(qorv::CheckState::kUnknown);
        }
        std::cerr << "qorvmon-sensors: " << parsed.error << "\n(qorvmon-sensors --help tells more)\n";
        return qorv::kExitUsage;
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
    const bool check = options.output == qorv::SensorsOutput::kCheck;
    // A setting-up failure: the usage status, or UNKNOWN for a monitoring system.
    const auto cannotStart = [check](const std::string& message) {
        if (!check) {
            complain(message);
            return int(qorv::kExitUsage);
        }
        std::fputs(qorv::unknownReport(message).c_str(), stdout);
        return int(qorv::CheckState::kUnknown);
    };

    const std::string folder = qorv::runningProgramFolder();
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
    if (board.empty()) return cannotStart("no board chosen in " + settings + "; name one with --board NAME");

    qorv::SensorTable table;
    // The binding's first complaint (a library or an export missing) is why nothing reads.
    std::string libraryProblem;
    qorv::HwmBinding library([&libraryProblem](const std::string& m) {
        if (libraryProblem.empty()) libraryProblem = m;
    });
    const std::string boardFile = qorv::boardFilePath(folder, board);
    const qorv::FileReport report = qorv::ReadBoardFile(boardFile, table, library);
    if (!report.opened) {
        std::string problems;
        for (const std::string& problem : report.describe()) problems += (problems.empty() ? "" : "; ") + problem;
        return cannotStart(problems);
    }
    for (const std::string& problem : report.describe()) complain(problem);
    qorv::ApplySensorDefaults(table);
    if (options.saveDefaults) {
        std::string error;
        const bool located = options.settingsFile.empty();
        if ((located && !qorv::makeSettingsFolder(settings, error)) ||
            !qorv::SaveSettings(settings, board, qorv::MailSettings{}, table, error)) {
            complain(error);
            return qorv::kExitUsage;
        }
        std::cout << "wrote " << settings << " for board " << board << "\n";
        return 0;
    }
    if (board == chosen) {
        qorv::MailSettings mail;
        for (const std::string& problem : qorv::LoadSettings(settings, table.count, table, mail).describe())
            complain("QHwmset: " + problem);
    }

    if (options.prometheusRules) {
        std::cout << qorv::prometheusAlertRules(board, table, options.scrapeInterval);
        library.ReleaseDLL();
        return 0;
    }

    std::signal(SIGINT, [](int) { stopRequested = 1; });
    std::signal(SIGTERM, [](int) { stopRequested = 1; });
    qorv::PassReporter reader(options, board, boardFile, table, library, libraryProblem, complain);
    int status = reader.pass();
    while (options.watch > 0 && !stopRequested) {
        for (int waited = 0; waited < options.watch * 10 && !stopRequested; ++waited)
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        if (stopRequested) break;
        status = reader.pass();
    }
    library.ReleaseDLL();
    return status;
}
