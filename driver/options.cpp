#include "options.h"

#include "long_options.h"

namespace qvnbdrv {

namespace {

std::optional<mode_t> parseMode(const std::string& text) {
    if (text.empty() || text.size() > 4) return std::nullopt;
    mode_t mode = 0;
    for (char c : text) {
        if (c < '0' || c > '7') return std::nullopt;
        mode = mode * 8 + mode_t(c - '0');
    }
    return mode;
}

// Options with no one-letter form are numbered past every character.
enum : int {
    kSocket = 0x100,
    kGroup,
    kMode,
    kBoard,
    kSimulate,
    kScenario,
    kForce,
    kIoports,
    kLogLevel,
    kVersion,
    kHelp = 'h'
};

const option kOptions[] = {
    {"socket", required_argument, nullptr, kSocket},
    {"group", required_argument, nullptr, kGroup},
    {"mode", required_argument, nullptr, kMode},
    {"board", required_argument, nullptr, kBoard},
    {"simulate", no_argument, nullptr, kSimulate},
    {"scenario", required_argument, nullptr, kScenario},
    {"force", no_argument, nullptr, kForce},
    {"ioports", required_argument, nullptr, kIoports},
    {"log-level", required_argument, nullptr, kLogLevel},
    {"version", no_argument, nullptr, kVersion},
    {"help", no_argument, nullptr, kHelp},
    {nullptr, 0, nullptr, 0},
};

// What the value of an option is, for the complaint that it is missing.
std::string valueMeaning(int id) {
    switch (id) {
        case kSocket: return "a path";
        case kGroup: return "a group name";
        case kMode: return "an octal mode such as 0660";
        case kBoard: return "a board file";
        case kScenario: return "a file";
        case kIoports: return "a file";
        case kLogLevel: return "error, warning, info or debug";
        default: return "a value";
    }
}

}  // namespace

ParsedOptions parseOptions(const std::vector<std::string>& arguments) {
    auto fail = [](std::string message) { return ParsedOptions{std::nullopt, std::move(message)}; };
    Options o;
    const auto take = [&o](int id, const std::string& v) -> std::optional<std::string> {
        switch (id) {
            case kHelp: o.help = true; break;
            case kVersion: o.version = true; break;
            case kSimulate: o.simulate = true; break;
            case kForce: o.force = true; break;
            case kSocket: o.socketPath = v; break;
            case kGroup:
                o.group = v;
                o.groupGiven = true;
                break;
            case kMode: {
                const auto mode = parseMode(v);
                if (!mode) return "--mode " + v + " is not an octal mode such as 0660";
                if (*mode & 0002)
                    return "--mode " + v +
                           " would let every user drive the hardware; the socket is never world-writable";
                if (*mode & ~mode_t(0777)) return "--mode " + v + " has bits beyond the permissions";
                o.mode = *mode;
                break;
            }
            case kBoard: o.boardFile = v; break;
            case kScenario: o.scenarioFile = v; break;
            case kIoports: o.ioportsFile = v; break;
            case kLogLevel: {
                const auto level = parseLogLevel(v);
                if (!level) return "--log-level " + v + " is not error, warning, info or debug";
                o.logLevel = *level;
                break;
            }
        }
        return std::nullopt;
    };
    if (auto error = qorv::command_line::scanOptions("qvnbdrv", arguments, kOptions, take, valueMeaning))
        return fail(*error);
    if (o.help || o.version) return {o, {}};
    if (o.boardFile.empty()) return fail("--board FILE is required: its hardware description says what to serve");
    if (!o.scenarioFile.empty() && !o.simulate) return fail("--scenario needs --simulate");
    return {o, {}};
}

std::string usage() {
    return R"(Usage: qvnbdrv --board FILE [options]

Serves the hardware-monitor library's driver requests on a Unix socket, permitting only
the SMBus addresses and I/O ports that the board file's hardware description names.

Options:
  --board FILE        board file (sensor list and hardware description); required
  --socket PATH       socket to serve (default /run/qvnbdrv/qvnbdrv.sock)
  --group NAME        group owning the socket (default qvnhwm; kept as is if that
                      group does not exist)
  --mode OCTAL        socket permissions (default 0660; never world-writable)
  --simulate          serve an emulated board instead of the hardware
  --scenario FILE     faults and delays for the emulated board (with --simulate)
  --force             share the chips with kernel drivers: take SMBus chips a kernel
                      driver has claimed, and start even when a kernel driver owns
                      I/O ports the board names (or the port table cannot be read)
  --ioports FILE      the kernel's port table to check for such drivers (default
                      /proc/ioports; without CAP_SYS_ADMIN it hides the addresses,
                      so give a copy root made)
  --log-level LEVEL   error, warning, info (default) or debug
  --version           the program's name and version
  --help              this text

Options take their value as --name VALUE or --name=VALUE.

Hardware access needs root (or CAP_SYS_RAWIO for /dev/port and access to /dev/i2c-*);
clients need only membership of the socket's group.
)";
}

}  // namespace qvnbdrv
