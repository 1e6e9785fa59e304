// The service's command line.
#pragma once

#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

#include "logger.h"
#include "service_socket.h"

namespace qvnbdrv {

inline constexpr const char* kDefaultGroup = "qvnhwm";
inline constexpr mode_t kDefaultMode = 0660;
inline constexpr const char* kDefaultIoports = "/proc/ioports";

struct Options {
    std::string socketPath = qvnhwm::kDefaultSocketPath;
    std::string group = kDefaultGroup;
    bool groupGiven = false;  // a named group must exist; the default one may not
    mode_t mode = kDefaultMode;
    std::string boardFile;
    bool simulate = false;
    std::string scenarioFile;
    LogLevel logLevel = LogLevel::Info;
    bool force = false;
    std::string ioportsFile = kDefaultIoports;  // the kernel's port table, checked on the hardware bus
    bool help = false;
    bool version = false;
};

// The options, or an error message for the user (with no options) on bad input.
struct ParsedOptions {
    std::optional<Options> options;
    std::string error;
};

// Options take their value as "--name VALUE" or "--name=VALUE".
ParsedOptions parseOptions(const std::vector<std::string>& arguments);

std::string usage();

}  // namespace qvnbdrv
