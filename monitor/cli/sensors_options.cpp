#include "sensors_options.h"

#include "long_options.h"
#include "number_text.h"

namespace qorv {

namespace {

// Options with no one-letter form are numbered past every character.
enum : int { kBoard = 0x100, kWatch, kSaveDefaults, kSettings, kVersion, kHelp = 'h' };

const option kOptions[] = {
    {"board", required_argument, nullptr, kBoard},
    {"watch", required_argument, nullptr, kWatch},
    {"save-defaults", no_argument, nullptr, kSaveDefaults},
    {"settings", required_argument, nullptr, kSettings},
    {"version", no_argument, nullptr, kVersion},
    {"help", no_argument, nullptr, kHelp},
    {nullptr, 0, nullptr, 0},
};

}  // namespace

ParsedSensorsOptions parseSensorsOptions(const std::vector<std::string>& arguments) {
    SensorsOptions o;
    const auto take = [&o](int id, const std::string& value) -> std::optional<std::string> {
        switch (id) {
            case kBoard: o.board = value; break;
            case kSettings: o.settingsFile = value; break;
            case kWatch: {
                const auto seconds = parseInteger(value, 1, kLongestWatch);
                if (!seconds) return "--watch takes a number of seconds from 1 to 86400, not '" + value + "'";
                o.watch = int(*seconds);
                break;
            }
            case kSaveDefaults: o.saveDefaults = true; break;
            case kVersion: o.version = true; break;
            case kHelp: o.help = true; break;
        }
        return std::nullopt;
    };
    if (auto error = command_line::scanOptions("qorvmon-sensors", arguments, kOptions, take))
        return ParsedSensorsOptions{std::nullopt, *error};
    return {o, {}};
}

std::string sensorsUsage() {
    return R"(Usage: qorvmon-sensors [--board NAME] [--watch SECONDS] [--settings FILE]
       qorvmon-sensors [--board NAME] [--settings FILE] --save-defaults

Reads every sensor of the board through the hardware library and prints one line per
sensor: name, reading (or "Read Failed"), unit, low and high threshold, and "!" when the
reading lies outside them. It takes no alert actions.

  --board NAME       the board, e.g. M4430, whose board file NAME.txt lies in the
                     program folder; without it, the board chosen in the settings file
  --watch SECONDS    read again every SECONDS seconds (1 to 86400) until interrupted
  --settings FILE    the settings file to read (and write with --save-defaults) instead
                     of the one the application uses
  --save-defaults    write the settings file for the board with the board's default
                     thresholds and alerts, as the window does at first use (replacing
                     any settings file), and read nothing
  --version          the program's name and version
  --help             this text

Options take their value as --name VALUE or --name=VALUE.

The settings file is the application's QHwmset: in the program folder when that folder
is yours to write (a build or a portable copy), else $XDG_CONFIG_HOME/qorvmon/QHwmset
(~/.config/qorvmon/QHwmset), first copied from /etc/qorvmon/QHwmset when the
administrator put one there. The thresholds are the settings file's when it is for this
board, else the board file's defaults.
The hardware library talks to the driver service on /run/qvnbdrv/qvnbdrv.sock, or on the
socket named by QVNBDRV_SOCKET.
)";
}

}  // namespace qorv
