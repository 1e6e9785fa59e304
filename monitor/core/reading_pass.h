// One reading of every sensor of the board, as plain data for whatever prints or serves
// it (the command line's text, JSON and check outputs, a metrics exporter). No output
// formatting lives here.
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "sensor_source.h"
#include "sensor_table.h"

namespace qorv {

inline constexpr int kNoGroup = -1;  // a unit that is neither "RPM", "V" nor "C"

struct SensorReading {
    std::string name;
    std::string unit;             // as the board file gives it
    int group = kNoGroup;         // kFanGroup, kVoltageGroup, kTemperatureGroup or kNoGroup
    std::optional<double> value;  // none when the read failed
    double low = 0;               // the current thresholds
    double high = 0;
    bool outOfRange = false;  // a value below low or above high; never without a value
    std::string error;        // why there is no value; empty when there is one
};

struct ReadingPass {
    std::string board;
    std::chrono::system_clock::time_point time;  // when the pass began
    std::vector<SensorReading> sensors;          // in the board file's order
    std::string error;                           // why nothing could be read, when the caller found out; else empty

    int readCount() const;
    int failedCount() const;
    int outOfRangeCount() const;
    bool nothingRead() const { return readCount() == 0; }
};

// Reads every sensor of the table once, through ReadSensor.
ReadingPass takeReadingPass(const std::string& board, SensorTable& table, SensorSource& library,
                            std::chrono::system_clock::time_point time = std::chrono::system_clock::now());

// A stable key of a reading group for machine-read output: "fan", "voltage",
// "temperature", or "other".
const char* groupKey(int group);

}  // namespace qorv
