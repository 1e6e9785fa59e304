#include "options.h"

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

}  // namespace

ParsedOptions parseOptions(const std::vector<std::string>& arguments) {
    Options o;
    auto fail = [](std::string message) { return ParsedOptions{std::nullopt, std::move(message)}; };

    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string& a = arguments[i];
        auto value = [&](std::string& into) -> bool {
            if (i + 1 >= arguments.size()) return false;
            into = arguments[++i];
            return true;
        };
        std::string v;
        if (a == "--help" || a == "-h") {
            o.help = true;
        } else if (a == "--simulate") {
            o.simulate = true;
        } else if (a == "--force") {
            o.force = true;
        } else if (a == "--socket") {
            if (!value(o.socketPath) || o.socketPath.empty()) return fail("--socket needs a path");
        } else if (a == "--group") {
            if (!value(o.group) || o.group.empty()) return fail("--group needs a group name");
            o.groupGiven = true;
        } else if (a == "--mode") {
            if (!value(v)) return fail("--mode needs an octal mode such as 0660");
            const auto mode = parseMode(v);
            if (!mode) return fail("--mode " + v + " is not an octal mode such as 0660");
            if (*mode & 0002) return fail("--mode " + v + " would let every user drive the hardware; "
                                          "the socket is never world-writable");
            if (*mode & ~mode_t(0777)) return fail("--mode " + v + " has bits beyond the permissions");
            o.mode = *mode;
        } else if (a == "--board") {
            if (!value(o.boardFile) || o.boardFile.empty()) return fail("--board needs a board file");
        } else if (a == "--scenario") {
            if (!value(o.scenarioFile) || o.scenarioFile.empty()) return fail("--scenario needs a file");
        } else if (a == "--ioports") {
            if (!value(o.ioportsFile) || o.ioportsFile.empty()) return fail("--ioports needs a file");
        } else if (a == "--log-level") {
            if (!value(v)) return fail("--log-level needs error, warning, info or debug");
            const auto level = parseLogLevel(v);
            if (!level) return fail("--log-level " + v + " is not error, warning, info or debug");
            o.logLevel = *level;
        } else {
            return fail("unknown argument " + a);
        }
    }
    if (o.help) return {o, {}};
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
  --help              this text

Hardware access needs root (or CAP_SYS_RAWIO for /dev/port and access to /dev/i2c-*);
clients need only membership of the socket's group.
)";
}

}  // namespace qvnbdrv
