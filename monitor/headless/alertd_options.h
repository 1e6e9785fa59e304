// qorvmon-alertd's command line.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace qorv {

// The window refreshes its readings every 15 s while monitoring is on.
inline constexpr int kAlertdDefaultInterval = 15;
inline constexpr int kAlertdLongestInterval = 3600;

struct AlertdOptions {
    std::string board;                      // empty: the board chosen in the settings file
    std::string settingsFile;               // empty: where the settings rule puts it
    int interval = kAlertdDefaultInterval;  // seconds between passes
    std::string logFile;                    // empty: the journal (or standard error)
    bool help = false;
    bool version = false;
};

struct ParsedAlertdOptions {
    std::optional<AlertdOptions> options;
    std::string error;
};

ParsedAlertdOptions parseAlertdOptions(const std::vector<std::string>& arguments);

std::string alertdUsage();

}  // namespace qorv
