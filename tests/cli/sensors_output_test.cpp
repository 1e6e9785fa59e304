// qorvmon-sensors' outputs of a reading pass: the monitoring plugin's status and
// performance data, and the exit statuses.
#include <gtest/gtest.h>

#include "check_output.h"
#include "pass_status.h"
#include "reading_groups.h"

namespace qorv {
namespace {

SensorReading reading(const std::string& name, const std::string& unit, int group, std::optional<double> value,
                      double low, double high) {
    SensorReading r;
    r.name = name;
    r.unit = unit;
    r.group = group;
    r.value = value;
    r.low = low;
    r.high = high;
    r.outOfRange = value && (*value < low || *value > high);
    if (!value) r.error = "no reading";
    return r;
}

const SensorReading kCpuTemp = reading("CPU1 Temp", "C", kTemperatureGroup, 45, 0, 75);
const SensorReading kHotTemp = reading("CPU2 Temp", "C", kTemperatureGroup, 80.5, 5, 75);
const SensorReading kFailedFan = reading("CPU1 FAN", "RPM", kFanGroup, std::nullopt, 2800, 8000);
const SensorReading kMinus12 = reading("-12V", "V", kVoltageGroup, -12.03, -13.2, -10.8);

TEST(CheckOutput, PerformanceDataCarryValueUnitAndTheThresholdsAsTheCriticalRange) {
    const struct {
        SensorReading reading;
        const char* datum;
    } cases[] = {
        {kCpuTemp, "'CPU1 Temp'=45C;;75"},         // a low of 0 is the range's own start
        {kHotTemp, "'CPU2 Temp'=80.5C;;5:75"},     //
        {kMinus12, "'-12V'=-12.03;;-13.2:-10.8"},  // volts without a unit
        {kFailedFan, "'CPU1 FAN'=U;;2800:8000"},   // undetermined
        {reading("Bob's = fan", "RPM", kFanGroup, 3000, 0, 8000), "'Bob''s _ fan'=3000;;8000"},
        {reading("Aux", "mV", kNoGroup, 7, -1, 9), "'Aux'=7;;-1:9"},
    };
    for (const auto& c : cases) EXPECT_EQ(perfDatum(c.reading), c.datum);
}

TEST(CheckOutput, TheWorstSensorDecidesTheStateAndTheStatusLine) {
    const struct {
        std::vector<SensorReading> sensors;
        std::string error;
        CheckState state;
        ExitStatus exit;
        const char* report;
    } cases[] = {
        {{kCpuTemp, kMinus12},
         "",
         CheckState::kOk,
         kExitAllRead,
         "QORVMON OK - 2 sensors in range | 'CPU1 Temp'=45C;;75 '-12V'=-12.03;;-13.2:-10.8\n"},
        {{kCpuTemp, kFailedFan},
         "",
         CheckState::kWarning,
         kExitSomeSensors,
         "QORVMON WARNING - 1 of 2 sensors could not be read: CPU1 FAN | 'CPU1 Temp'=45C;;75 'CPU1 "
         "FAN'=U;;2800:8000\n"},
        {{kHotTemp, kFailedFan, kCpuTemp},
         "",
         CheckState::kCritical,
         kExitSomeSensors,
         "QORVMON CRITICAL - CPU2 Temp 80.5 C above 75; 1 sensor could not be read: CPU1 FAN | "
         "'CPU2 Temp'=80.5C;;5:75 'CPU1 FAN'=U;;2800:8000 'CPU1 Temp'=45C;;75\n"},
        {{reading("VBAT", "V", kVoltageGroup, 2.1, 2.7, 3.3)},
         "",
         CheckState::kCritical,
         kExitSomeSensors,
         "QORVMON CRITICAL - VBAT 2.1 V below 2.7 | 'VBAT'=2.1;;2.7:3.3\n"},
        // Nothing read: the reason's first line is the status, the rest follows; no data.
        {{kFailedFan},
         "no socket | here\nStart it",
         CheckState::kUnknown,
         kExitNothingRead,
         "QORVMON UNKNOWN - no socket / here\nStart it\n"},
        {{}, "", CheckState::kUnknown, kExitNothingRead, "QORVMON UNKNOWN - no sensor of board M4430 could be read\n"},
    };
    for (const auto& c : cases) {
        ReadingPass pass;
        pass.board = "M4430";
        pass.sensors = c.sensors;
        pass.error = c.error;
        EXPECT_EQ(checkStateOf(pass), c.state) << c.report;
        EXPECT_EQ(exitStatusOf(pass), c.exit) << c.report;
        EXPECT_EQ(checkReport(pass), c.report);
    }
}

}  // namespace
}  // namespace qorv
