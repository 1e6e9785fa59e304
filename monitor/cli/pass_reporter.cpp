#include "pass_reporter.h"

#include <chrono>
#include <cstdio>
#include <utility>

#include "atomic_write.h"
#include "check_output.h"
#include "driver_probe.h"
#include "json_output.h"
#include "pass_status.h"
#include "reading_pass.h"
#include "text_output.h"

namespace qorv {

namespace {

// Why a pass read nothing, in words the user can act on.
std::string whyNothingRead(const SensorTable& table, const std::string& board, const std::string& libraryProblem) {
    if (!libraryProblem.empty()) return libraryProblem;
    if (table.count == 0) return "the board file of " + board + " lists no sensors";
    const DriverProbe probe = probeDriver();
    if (probe.reach != DriverReach::kAnswers) return probe.problem;
    // The service answers, so its refusals are of what it was asked: its access policy
    // names only the chips of the board it serves.
    return "the driver service at " + probe.path + " answers but refused or failed every reading of board " + board +
           ".\nIt may serve another board (QVNBDRV_BOARD in /etc/default/qvnbdrv names its board file), or the " +
           "board's bus fails; its log names each request it refused (journalctl -u qvnbdrv).";
}

}  // namespace

PassReporter::PassReporter(const SensorsOptions& options, const std::string& board, const std::string& boardFile,
                           SensorTable& table, SensorSource& library, const std::string& libraryProblem,
                           Complaint complain)
    : options_(options),
      board_(board),
      boardFile_(boardFile),
      table_(table),
      library_(library),
      libraryProblem_(libraryProblem),
      complain_(std::move(complain)) {}

int PassReporter::pass() {
    // A library bound while the service was away has no chips to read from: a watch
    // binds it again, so it goes on once the service is back.
    if (!lastError_.empty()) {
        library_.ReleaseDLL();
        library_.InitDLL(boardFile_.c_str());
    }
    const auto began = std::chrono::steady_clock::now();
    ReadingPass pass = takeReadingPass(board_, table_, library_);
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - began;
    if (pass.nothingRead()) pass.error = whyNothingRead(table_, board_, libraryProblem_);
    switch (options_.output) {
        case SensorsOutput::kCheck:
            // A monitoring system shows standard output only: the reason goes there.
            std::fputs(checkReport(pass).c_str(), stdout);
            std::fflush(stdout);
            return int(checkStateOf(pass));
        case SensorsOutput::kJson: std::fputs(jsonLine(pass).c_str(), stdout); break;
        case SensorsOutput::kPrometheus: {
            // Whole or not at all: the textfile collector may read at any moment.
            const std::string text = prometheusText(prometheusFamilies({pass, took.count(), readErrors_.add(pass)}));
            if (file_io::WriteError error; !file_io::writeFileAtomically(options_.prometheusFile, text, 0644, error)) {
                complain_("cannot write " + options_.prometheusFile + ": " + error.reason);
                return kExitUsage;
            }
            break;
        }
        case SensorsOutput::kText:
            if (pass.nothingRead()) break;
            // A blank line between the passes of a watch.
            if (printed_) std::fputs("\n", stdout);
            std::fputs(textLines(pass, options_.watch > 0).c_str(), stdout);
            printed_ = true;
            break;
    }
    std::fflush(stdout);
    // Said once, not once a pass: again only when the reason changes or readings return.
    if (pass.error != lastError_) {
        if (!pass.error.empty())
            complain_(pass.error);
        else if (!lastError_.empty())
            complain_("the sensors read again");
        lastError_ = pass.error;
    }
    return exitStatusOf(pass);
}

}  // namespace qorv
