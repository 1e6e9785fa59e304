#include "sensors_options.h"

#include <getopt.h>

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

// "--name" of the long option numbered id, or "-c" for a character with no long form.
std::string optionName(int id) {
    for (const option* o = kOptions; o->name; ++o)
        if (o->val == id) return std::string("--") + o->name;
    return std::string("-") + char(id);
}

// A word getopt could not take: unknown, or the start of more than one option's name.
std::string unknownOption(const std::string& word) {
    std::string candidates;
    int count = 0;
    for (const option* o = kOptions; o->name; ++o)
        if (word.size() > 2 && word.starts_with("--") && std::string(o->name).starts_with(word.substr(2))) {
            candidates += (count++ ? " or --" : "--") + std::string(o->name);
        }
    if (count > 1) return "option '" + word + "' is ambiguous: " + candidates;
    return "unknown option '" + word + "'";
}

}  // namespace

ParsedSensorsOptions parseSensorsOptions(const std::vector<std::string>& arguments) {
    auto fail = [](std::string message) { return ParsedSensorsOptions{std::nullopt, std::move(message)}; };
    std::vector<std::string> words{"qorvmon-sensors"};
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);

    SensorsOptions o;
    optind = 0;  // a fresh scan: getopt keeps its place between calls
    opterr = 0;  // every complaint is ours, in the user's words
    int c;
    // "+": options end at the first other word; ":": a missing value is told apart.
    while ((c = getopt_long(int(words.size()), argv.data(), "+:h", kOptions, nullptr)) != -1) {
        const std::string value = optarg ? optarg : "";
        if ((c == kBoard || c == kSettings || c == kWatch) && value.empty()) {  // "--board="
            optopt = c;
            c = ':';
        }
        switch (c) {
        case kBoard: o.board = value; break;
        case kSettings: o.settingsFile = value; break;
        case kWatch: {
            const auto seconds = parseInteger(value, 1, kLongestWatch);
            if (!seconds) return fail("--watch takes a number of seconds from 1 to 86400, not '" + value + "'");
            o.watch = int(*seconds);
            break;
        }
        case kSaveDefaults: o.saveDefaults = true; break;
        case kVersion: o.version = true; break;
        case kHelp: o.help = true; break;
        case ':': return fail("option '" + optionName(optopt) + "' needs a value");
        default: {
            if (optopt != 0) {
                const std::string name = optionName(optopt);
                if (name.starts_with("--")) return fail("option '" + name + "' takes no value");
                return fail("unknown option '" + name + "'");
            }
            const std::string word = argv[size_t(optind - 1)];
            return fail(unknownOption(word.substr(0, word.find('='))));
        }
        }
    }
    if (optind < int(words.size())) return fail("unexpected argument '" + words[size_t(optind)] + "'");
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
