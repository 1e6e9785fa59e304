#include "reading_pass.h"

#include <algorithm>

#include "read_sensor.h"
#include "reading_groups.h"

namespace qorv {

namespace {

int groupOf(const std::string& unit) {
    for (int g = 0; g < kGroupCount; ++g)
        if (unit == groupUnit(g)) return g;
    return kNoGroup;
}

}  // namespace

int ReadingPass::readCount() const {
    return int(std::count_if(sensors.begin(), sensors.end(), [](const SensorReading& r) { return r.value; }));
}

int ReadingPass::failedCount() const { return int(sensors.size()) - readCount(); }

int ReadingPass::outOfRangeCount() const {
    return int(std::count_if(sensors.begin(), sensors.end(), [](const SensorReading& r) { return r.outOfRange; }));
}

ReadingPass takeReadingPass(const std::string& board, SensorTable& table, SensorSource& library,
                            std::chrono::system_clock::time_point time) {
    ReadingPass pass;
    pass.board = board;
    pass.time = time;
    for (int i = 0; i < table.count; ++i) {
        const Reading r = ReadSensor(table, i, library);
        const SensorSlot& s = table[i];
        SensorReading reading;
        reading.name = s.Name;
        reading.unit = s.Unit;
        reading.group = groupOf(s.Unit);
        reading.low = s.LowThreshold;
        reading.high = s.HighThreshold;
        if (r.ok) {
            reading.value = r.value;
            // The same comparison as the alarm's: a reading on a threshold is inside.
            reading.outOfRange = r.value > s.HighThreshold || r.value < s.LowThreshold;
        } else {
            reading.error = "no reading from chip " + s.ChipId + " (bank " + std::to_string(s.Bank) + ", channel " +
                            std::to_string(s.Channel) + ")";
        }
        pass.sensors.push_back(std::move(reading));
    }
    return pass;
}

const char* groupKey(int group) {
    switch (group) {
        case kFanGroup: return "fan";
        case kVoltageGroup: return "voltage";
        case kTemperatureGroup: return "temperature";
        default: return "other";
    }
}

}  // namespace qorv
