#include "alert_rules.h"

#include <array>
#include <cstdio>

#include "number_text.h"
#include "prometheus_series.h"
#include "reading_groups.h"

namespace qorv {

namespace {

// Alert names by group, as Prometheus names alerts: one name per kind of trouble, the
// board and sensor in the labels.
constexpr std::array<const char*, kGroupCount> kAlertStem{"QorvmonFanSpeed", "QorvmonVoltage", "QorvmonTemperature"};

struct Direction {
    const char* suffix;  // of the alert name
    const char* op;      // the comparison that alarms; a reading on the threshold is inside
    const char* words;
};
constexpr Direction kHigh{"High", ">", "above its high threshold"};
constexpr Direction kLow{"Low", "<", "below its low threshold"};

// With a shutdown or a reboot chosen for the sensor the window would take the machine
// down: that is a page, anything else a warning.
const char* severityOf(const SensorSlot& s) { return isOn(s.ShutDown) || isOn(s.Reboot) ? "critical" : "warning"; }

void rule(std::string& out, const std::string& board, const SensorSlot& s, int group, const Direction& d,
          double threshold, int forSeconds) {
    const std::string value = numberText(threshold);
    const std::string selector = std::string(seriesOfGroup(group)->reading) + "{board=" + promqlQuoted(board) +
                                 ",sensor=" + promqlQuoted(s.Name) + "}";
    // The templates take board and sensor from the alert's labels, so no name is ever read
    // as template text.
    const std::string description =
        "{{ $labels.sensor }} on board {{ $labels.board }} ({{ $labels.instance }}) reads "
        "{{ $value }} " +
        s.Unit + ", " + d.words + " of " + value + " " + s.Unit + ".";
    out += "      - alert: " + std::string(kAlertStem[size_t(group)]) + d.suffix + "\n";
    out += "        expr: " + yamlQuoted(selector + " " + d.op + " " + value) + "\n";
    out += "        for: " + std::to_string(forSeconds) + "s\n";
    out += "        labels:\n";
    out += "          severity: " + std::string(severityOf(s)) + "\n";
    out += "          board: " + yamlQuoted(board) + "\n";
    out += "          sensor: " + yamlQuoted(s.Name) + "\n";
    out += "        annotations:\n";
    out += "          summary: " + yamlQuoted("{{ $labels.sensor }} on {{ $labels.board }} " + std::string(d.words)) +
           "\n";
    out += "          description: " + yamlQuoted(description) + "\n";
    out += "          value: " + yamlQuoted("{{ $value }}") + "\n";
    out += "          threshold: " + yamlQuoted(value) + "\n";
}

}  // namespace

std::string prometheusAlertRules(const std::string& board, const SensorTable& table, int scrapeIntervalSeconds) {
    const int forSeconds = kConfirmingReads * scrapeIntervalSeconds;
    std::string out = "# Alerting rules for the board " + board +
                      " from its sensors' thresholds, for a scrape\n# interval of " +
                      std::to_string(scrapeIntervalSeconds) +
                      " s. Make them again after a threshold changes.\n"
                      "groups:\n"
                      "  - name: " +
                      yamlQuoted("qorvmon " + board) + "\n    rules:\n";
    for (int i = 0; i < table.count; ++i) {
        const SensorSlot& s = table[i];
        for (int g = 0; g < kGroupCount; ++g) {
            if (s.Unit != groupUnit(g)) continue;
            rule(out, board, s, g, kHigh, s.HighThreshold, forSeconds);
            rule(out, board, s, g, kLow, s.LowThreshold, forSeconds);
        }
    }
    return out;
}

std::string yamlQuoted(const std::string& text) {
    std::string out = "\"";
    for (const char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (u < 0x20 || u == 0x7f) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\x%02x", u);
            out += escape;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

std::string promqlQuoted(const std::string& text) {
    std::string out = "\"";
    for (const char c : text) {
        if (c == '"' || c == '\\') out += '\\';
        if (c == '\n') {
            out += "\\n";
            continue;
        }
        out += c;
    }
    return out + "\"";
}

}  // namespace qorv
