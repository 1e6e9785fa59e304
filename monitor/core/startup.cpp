#include "startup.h"

#include <filesystem>

#include "board_file.h"
#include "settings_file.h"
#include "settings_location.h"

namespace qorv {

std::string MonitorState::settingsPath() const {
    return settingsFile.empty() ? settingsFilePath(programFolder) : settingsFile;
}

std::string MonitorState::boardPath() const { return boardFilePath(programFolder, boardName); }

void decideBoard(MonitorState& state) {
    state.boardProblem.clear();
    state.boardName = readChosenBoard(state.settingsPath(), &state.boardProblem);
    state.boardNotChosen = state.boardName.empty() ? kYes : kNo;
}

bool saveState(const MonitorState& state, std::string& error) {
    if (!state.settingsFile.empty() && !makeSettingsFolder(state.settingsFile, error)) return false;
    return SaveSettings(state.settingsPath(), state.boardName, state.mail, state.table, error);
}

void loadMainWindow(MonitorState& state, SensorSource& library, LoadHost& host) {
    const FileReport board = ReadBoardFile(state.boardPath(), state.table, library);
    for (const std::string& problem : board.describe()) host.report(problem);
    if (!state.boardProblem.empty()) host.report("QHwmset: " + state.boardProblem);
    state.boardProblem.clear();

    if (state.boardNotChosen == kYes) {
        ApplySensorDefaults(state.table);
        // A settings file that named no board may still hold the user's mail and thresholds:
        // the first-use file replaces it only once a copy is kept.
        const std::string kept = keepDamagedCopy(state.settingsPath());
        std::error_code ec;
        const bool holdsSomething = std::filesystem::file_size(state.settingsPath(), ec) > 0 && !ec;
        std::string error;
        if (!kept.empty()) host.report("the settings file that named no board was kept as " + kept);
        if (kept.empty() && holdsSomething)
            host.report("the settings file " + state.settingsPath() +
                        " names no board and could not be copied aside; it is left as it is");
        else if (!saveState(state, error))
            host.report(error);
    } else {
        const FileReport settings = LoadSettings(state.settingsPath(), state.table.count, state.table, state.mail);
        for (const std::string& problem : settings.describe()) host.report("QHwmset: " + problem);
        // This program saves the settings later: what did not read whole is kept before that.
        const std::string kept = settings.problems.empty() ? std::string() : keepDamagedCopy(state.settingsPath());
        if (!kept.empty()) host.report("the unreadable settings file was kept as " + kept);
        host.openingEffect(kOpeningEffectSteps);
    }
    state.groups.gaugeSensor = 0;
}

}  // namespace qorv
