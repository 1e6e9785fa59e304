// A reading pass as Prometheus series: one gauge per reading in the group's base unit,
// the thresholds as series of their own, whether each sensor read, how many reads failed
// since the program started, and how long the pass took. The exporter serves these
// families; the command line writes them as a text file for node_exporter's textfile
// collector. Sensors of a unit outside the three groups have no base unit and are left out.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <prometheus/metric_family.h>

#include "reading_pass.h"

namespace qorv {

// Failed reads per sensor, added up over the passes of one run.
class ReadErrorTally {
public:
    // Adds the failures of pass; the totals follow the pass's sensor order.
    const std::vector<uint64_t>& add(const ReadingPass& pass);
    const std::vector<uint64_t>& totals() const { return totals_; }

private:
    std::vector<uint64_t> totals_;
};

struct PassForExport {
    const ReadingPass& pass;
    double seconds = 0;                       // how long the pass took
    const std::vector<uint64_t>& readErrors;  // per sensor, in the pass's order
};

// The series' names, for the rules and dashboards that refer to them.
struct GroupSeries {
    const char* reading;  // qorvmon_temperature_celsius
    const char* high;     // qorvmon_temperature_high_threshold_celsius
    const char* low;
};
// nullptr for kNoGroup.
const GroupSeries* seriesOfGroup(int group);

inline constexpr const char* kReadSuccessSeries = "qorvmon_sensor_read_success";
inline constexpr const char* kReadErrorsSeries = "qorvmon_sensor_read_errors_total";
inline constexpr const char* kPassDurationSeries = "qorvmon_pass_duration_seconds";
inline constexpr const char* kPassTimeSeries = "qorvmon_pass_timestamp_seconds";

// Every family of the pass; families without a sample are left out. A sensor that did not
// read has no reading sample, so its series goes stale instead of showing a made-up value.
std::vector<prometheus::MetricFamily> prometheusFamilies(const PassForExport& pass);

// The families in the text exposition format (version 0.0.4).
std::string prometheusText(const std::vector<prometheus::MetricFamily>& families);

}  // namespace qorv
