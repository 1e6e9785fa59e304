// The readings for monitoring systems, by the monitoring-plugin convention: a status line
// ("QORVMON OK - 17 sensors in range"), then after "|" one performance datum per sensor,
// 'CPU1 Temp'=45C;;75 (label, value and unit; no warning range; the thresholds as the
// critical range), and further lines of text only when there is more to say.
#pragma once

#include <string>

#include "pass_status.h"
#include "reading_pass.h"

namespace qorv {

inline constexpr const char* kCheckName = "QORVMON";

// The plugin's whole output for the pass, ending with a line feed.
std::string checkReport(const ReadingPass& pass);

// The output of a check that read nothing: the reason's first line on the status line,
// its other lines after it.
std::string unknownReport(const std::string& reason);

// One performance datum of a sensor.
std::string perfDatum(const SensorReading& reading);

}  // namespace qorv
