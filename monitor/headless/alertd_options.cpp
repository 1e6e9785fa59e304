#include "alertd_options.h"

#include "long_options.h"
#include "number_text.h"

namespace qorv {

namespace {

enum : int { kBoard = 0x100, kSettings, kInterval, kLogFile, kVersion, kHelp = 'h' };

const option kOptions[] = {
    {"board", required_argument, nullptr, kBoard},
    {"settings", required_argument, nullptr, kSettings},
    {"interval", required_argument, nullptr, kInterval},
    {"log-file", required_argument, nullptr, kLogFile},
    {"version", no_argument, nullptr, kVersion},
    {"help", no_argument, nullptr, kHelp},
    {nullptr, 0, nullptr, 0},
};

}  // namespace

ParsedAlertdOptions parseAlertdOptions(const std::vector<std::string>& arguments) {
    AlertdOptions o;
    const auto take = [&o](int id, const std::string& value) -> std::optional<std::string> {
        switch (id) {
            case kBoard: o.board = value; break;
            case kSettings: o.settingsFile = value; break;
            case kLogFile: o.logFile = value; break;
            case kInterval: {
                const auto seconds = parseInteger(value, 1, kAlertdLongestInterval);
                if (!seconds) return "--interval takes a number of seconds from 1 to 3600, not '" + value + "'";
                o.interval = int(*seconds);
                break;
            }
            case kVersion: o.version = true; break;
            case kHelp: o.help = true; break;
        }
        return std::nullopt;
    };
    if (auto error = command_line::scanOptions("qorvmon-alertd", arguments, kOptions, take))
        return ParsedAlertdOptions{std::nullopt, *error};
    return {o, {}};
}

std::string alertdUsage() {
    return R"(Usage: qorvmon-alertd [--board NAME] [--settings FILE] [--interval SECONDS] [--log-file FILE]

Watches every sensor of the board without a window and raises the alerts the settings
file chooses, as the window does: a reading beyond a threshold that holds on two more
readings beeps, mails the alert receiver and, for a shutdown or reboot, asks the login
manager to stop the machine in 15.3 seconds (`shutdown -c` cancels). One alarm per
sensor until it reads inside its thresholds again. SIGHUP reads the settings file again
and logs what changed; SIGTERM and SIGINT end it.

  --board NAME         the board, e.g. M4430, whose board file NAME.txt lies in the
                       program folder; without it, the board chosen in the settings file
  --settings FILE      the settings file to read instead of the one the application uses
                       (the unit names /etc/qorvmon/QHwmset)
  --interval SECONDS   seconds between readings of every sensor (1 to 3600; default 15,
                       the window's)
  --log-file FILE      append every entry to FILE in the journal's export format
                       (FIELD=value lines, a blank line after each entry) instead of
                       sending it to the journal
  --version            the program's name and version
  --help               this text

Entries go to the journal with the fields QORVMON_EVENT, QORVMON_SENSOR, QORVMON_VALUE,
QORVMON_HIGH, QORVMON_LOW and QORVMON_ACTION (journalctl -u qorvmon-alertd
QORVMON_EVENT=alarm); outside systemd they go to standard error as plain lines.
The hardware library talks to the driver service on /run/qvnbdrv/qvnbdrv.sock, or on the
socket named by QVNBDRV_SOCKET.
)";
}

}  // namespace qorv
