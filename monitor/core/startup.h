// The application's start-up decisions: which board, first use or not, and the main
// window's load sequence once the board is settled.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "mail_settings.h"
#include "reading_groups.h"
#include "sensor_source.h"
#include "sensor_table.h"

namespace qorv {

inline constexpr int16_t kYes = -1;
inline constexpr int16_t kNo = 0;

// The eight boards offered at first use, in the order the selection dialog lists them.
inline constexpr const char* kSupportedBoards[] = {"M4090", "M4410", "M4420", "M4430",
                                                   "M4440", "M4510", "M4620", "M4730"};

inline constexpr const char* kDesignCaption = "Qorvane System Monitor ";
inline constexpr int kOpeningEffectSteps = 500;

// The application's data for the run.
struct MonitorState {
    std::string programFolder;  // the board files and pictures
    std::string settingsFile;   // where locateSettings put QHwmset; empty: in programFolder
    std::string boardName;
    int16_t boardNotChosen = kYes;
    std::string boardProblem;  // why the settings file's board name was not taken; reported once
    SensorTable table;
    MailSettings mail;
    ReadingGroups groups;

    std::string settingsPath() const;
    std::string boardPath() const;
    std::string caption() const { return std::string(kDesignCaption) + "-" + boardName; }
};

// The board named by the settings file's first two lines; none chosen when they name none
// or a name that is not plain (boardProblem says so).
void decideBoard(MonitorState& state);

// What the load sequence needs from the window.
class LoadHost {
public:
    virtual ~LoadHost() = default;
    virtual void openingEffect(int steps) = 0;
    // A problem with the board or settings file, for the user.
    virtual void report(const std::string& problem) = 0;
};

// The main window's load: board file and library, then first-use defaults and a fresh
// settings file, or the saved settings and the opening effect; the gauge starts on slot 0.
// Settings that do not read whole are copied aside first, and the report says where.
void loadMainWindow(MonitorState& state, SensorSource& library, LoadHost& host);

// SaveSettings of the whole state; false and a message through host when it failed.
bool saveState(const MonitorState& state, std::string& error);

}  // namespace qorv
