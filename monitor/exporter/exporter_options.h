// qorvmon-exporter's command line.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace qorv {

// A port of its own, next to the range other hardware exporters take.
inline constexpr const char* kExporterDefaultListen = "127.0.0.1:9787";
inline constexpr int kExporterDefaultInterval = 5;
inline constexpr int kExporterLongestInterval = 3600;

struct ExporterOptions {
    std::string listen = kExporterDefaultListen;  // ADDRESS:PORT
    std::string board;                            // empty: the board chosen in the settings file
    std::string settingsFile;                     // empty: where the settings rule puts it
    int interval = kExporterDefaultInterval;      // seconds: the shortest time between two passes
    bool help = false;
    bool version = false;
};

struct ParsedExporterOptions {
    std::optional<ExporterOptions> options;
    std::string error;
};

ParsedExporterOptions parseExporterOptions(const std::vector<std::string>& arguments);

std::string exporterUsage();

}  // namespace qorv
