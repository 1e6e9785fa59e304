#include "exporter_options.h"

#include <arpa/inet.h>

#include "long_options.h"
#include "number_text.h"

namespace qorv {

namespace {

enum : int { kListen = 0x100, kBoard, kSettings, kInterval, kVersion, kHelp = 'h' };

const option kOptions[] = {
    {"listen", required_argument, nullptr, kListen},
    {"board", required_argument, nullptr, kBoard},
    {"settings", required_argument, nullptr, kSettings},
    {"interval", required_argument, nullptr, kInterval},
    {"version", no_argument, nullptr, kVersion},
    {"help", no_argument, nullptr, kHelp},
    {nullptr, 0, nullptr, 0},
};

// The web server takes numeric addresses only: a.b.c.d:PORT or [v6]:PORT.
bool isListenAddress(const std::string& text) {
    const size_t colon = text.rfind(':');
    if (colon == std::string::npos || !parseInteger(text.substr(colon + 1), 0, 65535)) return false;
    if (text.find_first_not_of("0123456789", colon + 1) != std::string::npos) return false;
    std::string host = text.substr(0, colon);
    unsigned char address[16];
    if (host.size() > 2 && host.front() == '[' && host.back() == ']')
        return inet_pton(AF_INET6, host.substr(1, host.size() - 2).c_str(), address) == 1;
    return inet_pton(AF_INET, host.c_str(), address) == 1;
}

}  // namespace

ParsedExporterOptions parseExporterOptions(const std::vector<std::string>& arguments) {
    ExporterOptions o;
    const auto take = [&](int id, const std::string& value) -> std::optional<std::string> {
        switch (id) {
            case kListen:
                if (!isListenAddress(value))
                    return "--listen takes a numeric address and a port, as 127.0.0.1:9787 or [::1]:9787, not '" +
                           value + "'";
                o.listen = value;
                break;
            case kBoard: o.board = value; break;
            case kSettings: o.settingsFile = value; break;
            case kInterval: {
                const auto seconds = parseInteger(value, 1, kExporterLongestInterval);
                if (!seconds) return "--interval takes a number of seconds from 1 to 3600, not '" + value + "'";
                o.interval = int(*seconds);
                break;
            }
            case kVersion: o.version = true; break;
            case kHelp: o.help = true; break;
        }
        return std::nullopt;
    };
    if (auto error = command_line::scanOptions("qorvmon-exporter", arguments, kOptions, take))
        return {std::nullopt, *error};
    return {o, {}};
}

std::string exporterUsage() {
    return R"(Usage: qorvmon-exporter [--listen ADDRESS:PORT] [--board NAME] [--settings FILE]
                        [--interval SECONDS]

Serves the board's sensors to Prometheus at http://ADDRESS:PORT/metrics: each reading in
its base unit (qorvmon_temperature_celsius, qorvmon_voltage_volts, qorvmon_fan_speed_rpm),
the thresholds as series of their own, whether each sensor read, the failed reads since
the start and the duration of the last pass, labelled by board and sensor. A scrape reads
the board when the last pass began SECONDS or more ago and otherwise gets the last pass
again, so several Prometheus servers scraping one machine add no bus traffic.

  --listen ADDRESS:PORT  where to serve (default 127.0.0.1:9787, this machine only;
                         0.0.0.0:9787 or [::]:9787 for every interface)
  --board NAME           the board, e.g. M4430, whose board file NAME.txt lies in the
                         program folder; without it, the board chosen in the settings file
  --settings FILE        the settings file whose thresholds to export instead of the one
                         the application uses
  --interval SECONDS     the shortest time between two passes over the board, 1 to 3600
                         (default 5)
  --version              the program's name and version
  --help                 this text

Options take their value as --name VALUE or --name=VALUE.

The thresholds are the settings file's when it is for this board, else the board file's
defaults; they are read at the start, and again before the next pass after SIGHUP
(systemctl reload qorvmon-exporter). The hardware library talks to the driver service on
/run/qvnbdrv/qvnbdrv.sock, or on the socket named by QVNBDRV_SOCKET, which members of its
group (qvnhwm) may use. qorvmon-sensors --prometheus-rules writes the alerting rules for
the same thresholds.

Exit status: 0 after SIGTERM or SIGINT; 2 for a bad command line, no board chosen or a
board file that cannot be opened; 1 when the address cannot be served.
)";
}

}  // namespace qorv
