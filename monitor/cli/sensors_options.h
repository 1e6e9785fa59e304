// qorvmon-sensors' command line.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace qorv {

inline constexpr int kLongestWatch = 86400;  // seconds: a day

// What a reading pass prints.
enum class SensorsOutput {
    kText,   // one line per sensor for people
    kJson,   // one JSON document per pass, on one line
    kCheck,  // a monitoring plugin's status line and performance data, and its exit status
    // the Prometheus series, to a file for node_exporter's textfile collector
    kPrometheus,
};

struct SensorsOptions {
    std::string board;  // empty: the board chosen in the settings file
    int watch = 0;      // seconds between readings; 0 reads once
    bool saveDefaults = false;
    SensorsOutput output = SensorsOutput::kText;
    std::string settingsFile;  // empty: where the settings rule puts it

    std::string prometheusFile;    // with kPrometheus
    bool prometheusRules = false;  // print the alerting rules of the thresholds; read nothing
    int scrapeInterval = 15;       // seconds, the rules' scrape interval
    bool help = false;
    bool version = false;
};

// The options, or an error message for the user (with no options) on bad input.
struct ParsedSensorsOptions {
    std::optional<SensorsOptions> options;
    std::string error;
};

ParsedSensorsOptions parseSensorsOptions(const std::vector<std::string>& arguments);

// Whether the command line asks for --check (spelt whole or shortened), so that even a
// refused command line ends with a monitoring plugin's exit status.
bool asksForCheck(const std::vector<std::string>& arguments);

std::string sensorsUsage();

}  // namespace qorv
