#include "startup.h"

#include "board_file.h"
#include "settings_file.h"
#include "settings_location.h"

namespace qorv {

std::string MonitorState::settingsPath() const {
    return settingsFile.empty() ? settingsFilePath(programFolder) : settingsFile;
}

std::string MonitorState::boardPath() const { return boardFilePath(programFolder, boardName); }

void decideBoard(MonitorState& state) {
    state.boardName = readChosenBoard(state.settingsPath());
    state.boardNotChosen = state.boardName.empty() ? kYes : kNo;
}

bool saveState(const MonitorState& state, std::string& error) {
    if (!state.settingsFile.empty() && !makeSettingsFolder(state.settingsFile, error)) return false;
    return SaveSettings(state.settingsPath(), state.boardName, state.mail, state.table, error);
}

void loadMainWindow(MonitorState& state, SensorSource& library, LoadHost& host) {
    const FileReport board = ReadBoardFile(state.boardPath(), state.table, library);
    for (const std::string& problem : board.describe()) host.report(problem);

    if (state.boardNotChosen == kYes) {
        ApplySensorDefaults(state.table);
        std::string error;
        if (!saveState(state, error)) host.report(error);
    } else {
        const FileReport settings = LoadSettings(state.settingsPath(), state.table.count, state.table, state.mail);
        for (const std::string& problem : settings.describe()) host.report("QHwmset: " + problem);
        if (!settings.keptCopy.empty()) host.report("the unreadable settings file was kept as " + settings.keptCopy);
        host.openingEffect(kOpeningEffectSteps);
    }
    state.groups.gaugeSensor = 0;
}

}  // namespace qorv
