// qorvmon-alertd: the window's alarms for a server without a display.
#include <iostream>
#include <string>
#include <vector>

#include "alert_service.h"
#include "alertd_options.h"
#include "journal_log.h"
#include "program_folder.h"

int main(int argc, char** argv) {
    const qorv::ParsedAlertdOptions parsed = qorv::parseAlertdOptions(std::vector<std::string>(argv + 1, argv + argc));
    if (!parsed.options) {
        std::cerr << "qorvmon-alertd: " << parsed.error << "\n(qorvmon-alertd --help tells more)\n";
        return 2;
    }
    if (parsed.options->help) {
        std::cout << qorv::alertdUsage();
        return 0;
    }
    if (parsed.options->version) {
        std::cout << "qorvmon-alertd " QORV_VERSION "\n";
        return 0;
    }
    const std::unique_ptr<qorv::JournalWriter> log = qorv::makeJournalWriter(parsed.options->logFile);
    qorv::AlertService service(*parsed.options, qorv::runningProgramFolder(), *log);
    return service.run();
}
