#include "sensors_options.h"

#include "long_options.h"
#include "number_text.h"

namespace qorv {

namespace {

// Options with no one-letter form are numbered past every character.
enum : int {
    kBoard = 0x100,
    kWatch,
    kSaveDefaults,
    kSettings,
    kJson,
    kCheck,
    kPrometheus,
    kPrometheusRules,
    kScrapeInterval,
    kVersion,
    kHelp = 'h'
};

const option kOptions[] = {
    {"board", required_argument, nullptr, kBoard},
    {"watch", required_argument, nullptr, kWatch},
    {"save-defaults", no_argument, nullptr, kSaveDefaults},
    {"settings", required_argument, nullptr, kSettings},
    {"json", no_argument, nullptr, kJson},
    {"check", no_argument, nullptr, kCheck},
    {"prometheus", required_argument, nullptr, kPrometheus},
    {"prometheus-rules", no_argument, nullptr, kPrometheusRules},
    {"scrape-interval", required_argument, nullptr, kScrapeInterval},
    {"version", no_argument, nullptr, kVersion},
    {"help", no_argument, nullptr, kHelp},
    {nullptr, 0, nullptr, 0},
};

}  // namespace

ParsedSensorsOptions parseSensorsOptions(const std::vector<std::string>& arguments) {
    SensorsOptions o;
    bool json = false;
    bool check = false;
    bool scrapeInterval = false;
    const auto take = [&](int id, const std::string& value) -> std::optional<std::string> {
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
            case kJson: json = true; break;
            case kCheck: check = true; break;
            case kPrometheus: o.prometheusFile = value; break;
            case kPrometheusRules: o.prometheusRules = true; break;
            case kScrapeInterval: {
                const auto seconds = parseInteger(value, 1, 3600);
                if (!seconds) return "--scrape-interval takes a number of seconds from 1 to 3600, not '" + value + "'";
                o.scrapeInterval = int(*seconds);
                scrapeInterval = true;
                break;
            }
            case kVersion: o.version = true; break;
            case kHelp: o.help = true; break;
        }
        return std::nullopt;
    };
    if (auto error = command_line::scanOptions("qorvmon-sensors", arguments, kOptions, take))
        return ParsedSensorsOptions{std::nullopt, *error};
    const auto refuse = [](const std::string& error) { return ParsedSensorsOptions{std::nullopt, error}; };
    if (json && check) return refuse("--json and --check are two outputs: choose one");
    if (check && o.watch) return refuse("--check reads once, as a monitoring system calls it; it takes no --watch");
    if (o.saveDefaults && (json || check))
        return refuse("--save-defaults reads nothing, so it takes no --json or --check");
    const bool prometheus = !o.prometheusFile.empty();
    if (prometheus && (json || check))
        return refuse("--prometheus writes its own output: it takes no --json or --check");
    if (o.prometheusRules && (json || check || prometheus || o.watch || o.saveDefaults))
        return refuse(
            "--prometheus-rules prints rules and reads nothing: it takes no other output, "
            "no --watch and no --save-defaults");
    if (scrapeInterval && !o.prometheusRules)
        return refuse("--scrape-interval is the rules': it needs --prometheus-rules");
    if (o.saveDefaults && prometheus) return refuse("--save-defaults reads nothing, so it takes no --prometheus");
    o.output = json         ? SensorsOutput::kJson
               : check      ? SensorsOutput::kCheck
               : prometheus ? SensorsOutput::kPrometheus
                            : SensorsOutput::kText;
    return {o, {}};
}

bool asksForCheck(const std::vector<std::string>& arguments) {
    const std::string check = "--check";
    for (const std::string& a : arguments) {
        if (a == "--") break;
        const std::string name = a.substr(0, a.find('='));
        // getopt_long takes any unambiguous start; "--c" is one only --check has.
        if (name.size() >= 3 && check.compare(0, name.size(), name) == 0) return true;
    }
    return false;
}

std::string sensorsUsage() {
    return R"(Usage: qorvmon-sensors [--board NAME] [--settings FILE] [--json] [--watch SECONDS]
       qorvmon-sensors [--board NAME] [--settings FILE] --check
       qorvmon-sensors [--board NAME] [--settings FILE] --save-defaults
       qorvmon-sensors [--board NAME] [--settings FILE] --prometheus FILE [--watch SECONDS]
       qorvmon-sensors [--board NAME] [--settings FILE] --prometheus-rules
                       [--scrape-interval SECONDS]

Reads every sensor of the board through the hardware library and prints one line per
sensor: name, reading (or "Read Failed"), unit as the board file gives it, low and high
threshold, and "!" when the reading lies outside them. It takes no alert actions.

  --board NAME       the board, e.g. M4430, whose board file NAME.txt lies in the
                     program folder; without it, the board chosen in the settings file
  --watch SECONDS    read again every SECONDS seconds (1 to 86400) until interrupted;
                     each line then begins with the time of its reading (RFC 3339)
  --json             one JSON document per reading, on one line (schema 1: board, time,
                     error, and per sensor name, unit, group, value or null, low, high,
                     out_of_range, error), as /usr/share/doc/qorvmon/reading.schema.json
                     describes it
  --check            a monitoring plugin (Nagios, Icinga and the like): a status line
                     "QORVMON OK - 17 sensors in range" with performance data
                     'CPU1 Temp'=45C;;75 (the thresholds as the critical range low:high)
  --prometheus FILE  write the readings as Prometheus series to FILE instead (replaced
                     whole, mode 0644, for node_exporter's textfile collector): the
                     series qorvmon-exporter serves
  --prometheus-rules print Prometheus alerting rules for the board's thresholds: an
                     alert per sensor above its high and below its low threshold, held
                     for two scrape intervals as the window confirms with two re-reads
  --scrape-interval SECONDS
                     the scrape interval the rules are for, 1 to 3600 (default 15)
  --settings FILE    the settings file to read (and write with --save-defaults) instead
                     of the one the application uses
  --save-defaults    write the settings file for the board with the board's default
                     thresholds and alerts, as the window does at first use (replacing
                     any settings file), and read nothing
  --version          the program's name and version
  --help             this text

Options take their value as --name VALUE or --name=VALUE.

Exit status (with --watch, that of the last reading):
  0  every sensor read, each within its thresholds
  1  a sensor failed to read or read outside its thresholds
  2  a bad command line, no board chosen, a board file that cannot be opened, or a
     settings file or --prometheus file that cannot be written
  3  no sensor could be read; standard error says why (the driver service not running,
     its socket not yours to open, or a service that refuses every reading)
With --check, the monitoring-plugin statuses:
  0  OK        every sensor read, each within its thresholds
  1  WARNING   some sensors could not be read; every one read is within its thresholds
  2  CRITICAL  a reading outside its thresholds
  3  UNKNOWN   no sensor could be read (the status line says why), or a bad command line

The settings file is the application's QHwmset: in the program folder when that folder
is yours to write (a build or a portable copy), else $XDG_CONFIG_HOME/qorvmon/QHwmset
(~/.config/qorvmon/QHwmset), first copied from /etc/qorvmon/QHwmset when the
administrator put one there. The thresholds are the settings file's when it is for this
board, else the board file's defaults.
The hardware library talks to the driver service on /run/qvnbdrv/qvnbdrv.sock, or on the
socket named by QVNBDRV_SOCKET; only members of its group (qvnhwm) may use it.
)";
}

}  // namespace qorv
