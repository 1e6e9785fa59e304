// Prometheus alerting rules from a board's thresholds: for every sensor of the three
// reading groups one alert above its high threshold and one below its low threshold, on
// the series prometheus_series.h names. The window takes a reading beyond a threshold as
// an alarm once two more readings confirm it; at one sample per scrape that is the
// condition holding over two scrape intervals, which is what each rule's `for:` says.
#pragma once

#include <string>

#include "sensor_table.h"

namespace qorv {

inline constexpr int kDefaultScrapeInterval = 15;  // seconds: Prometheus's own default
inline constexpr int kConfirmingReads = 2;

// The rules file (YAML, one group named after the board) for the table's current
// thresholds, at a scrape interval in seconds.
std::string prometheusAlertRules(const std::string& board, const SensorTable& table,
                                 int scrapeIntervalSeconds = kDefaultScrapeInterval);

// A text as a double-quoted YAML scalar: backslash, quote and control characters escaped.
std::string yamlQuoted(const std::string& text);

// A text as a PromQL string literal in double quotes.
std::string promqlQuoted(const std::string& text);

}  // namespace qorv
