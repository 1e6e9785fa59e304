// qorvmon-sensors' command line.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace qorv {

inline constexpr int kLongestWatch = 86400;  // seconds: a day

struct SensorsOptions {
    std::string board;  // empty: the board chosen in the settings file
    int watch = 0;      // seconds between readings; 0 reads once
    bool saveDefaults = false;
    std::string settingsFile;  // empty: where the settings rule puts it
    bool help = false;
    bool version = false;
};

// The options, or an error message for the user (with no options) on bad input.
struct ParsedSensorsOptions {
    std::optional<SensorsOptions> options;
    std::string error;
};

ParsedSensorsOptions parseSensorsOptions(const std::vector<std::string>& arguments);

std::string sensorsUsage();

}  // namespace qorv
