#include "board_reader.h"

#include <chrono>

#include "board_file.h"
#include "reading_pass.h"
#include "settings_file.h"
#include "settings_location.h"

namespace qorv {

BoardReader::BoardReader(ExporterOptions options, std::string programFolder, Reporter report)
    : options_(std::move(options)),
      folder_(std::move(programFolder)),
      report_(std::move(report)),
      // The library of the program's own folder by its full path: what the RUNPATH would
      // find, and nothing an environment variable could put in its place.
      library_(report_, folder_ + "/" + HwmBinding::defaultName()) {}

std::string BoardReader::open() {
    settings_ = options_.settingsFile;
    if (settings_.empty()) {
        const SettingsLocation location = locateSettings(settingsPlacesOf(folder_));
        if (!location.problem.empty()) report_(location.problem);
        settings_ = location.path;
    }
    std::string boardProblem;
    const std::string chosen = readChosenBoard(settings_, &boardProblem);
    if (!boardProblem.empty()) report_("QHwmset: " + boardProblem);
    board_ = options_.board.empty() ? chosen : options_.board;
    if (board_.empty()) return "no board chosen in " + settings_ + "; name one with --board NAME";

    boardFile_ = boardFilePath(folder_, board_);
    const FileReport report = ReadBoardFile(boardFile_, table_, library_);
    for (const std::string& problem : report.describe()) report_(problem);
    if (!report.opened) return "cannot read the board file " + boardFile_;
    applyThresholds(chosen);
    return {};
}

void BoardReader::applyThresholds(const std::string& chosen) {
    ApplySensorDefaults(table_);
    if (chosen != board_) {
        // Another board's settings (the window's user chose another), or none.
        if (!chosen.empty())
            report_("QHwmset is for board " + chosen + ": the thresholds are " + board_ + "'s defaults");
        return;
    }
    MailSettings unused;
    for (const std::string& problem : LoadSettings(settings_, table_.count, table_, unused).describe())
        report_("QHwmset: " + problem);
}

Families BoardReader::pass() {
    // A service that was not running at our start, or was restarted, has chips the library
    // never prepared: bind again, as a fresh start would.
    if (reloadWanted_.exchange(false)) {
        std::string boardProblem;
        const std::string chosen = readChosenBoard(settings_, &boardProblem);
        if (!boardProblem.empty()) report_("QHwmset: " + boardProblem);
        applyThresholds(chosen);
        report_("read the thresholds of " + settings_ + " again");
    }
    if (rebind_) {
        library_.ReleaseDLL();
        library_.InitDLL(boardFile_.c_str());
    }
    const auto began = std::chrono::steady_clock::now();
    const ReadingPass pass = takeReadingPass(board_, table_, library_);
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - began;
    rebind_ = pass.nothingRead() && table_.count > 0;
    return prometheusFamilies({pass, took.count(), errors_.add(pass)});
}

void BoardReader::close() { library_.ReleaseDLL(); }

}  // namespace qorv
