// One reading pass over the board: every sensor's value or failure, its group and whether
// it lies outside its thresholds.
#include <gtest/gtest.h>

#include "reading_groups.h"
#include "reading_pass.h"
#include "recording_source.h"

namespace qorv {
namespace {

TEST(ReadingPass, EverySensorComesWithItsValueOrWhyNotAndItsPlaceAgainstTheThresholds) {
    const struct {
        const char* unit;
        std::optional<double> value;
        int group;
        bool outOfRange;
    } cases[] = {
        {"C", 75, kTemperatureGroup, false},  // on the high threshold is inside
        {"C", 75.001, kTemperatureGroup, true},
        {"V", 10, kVoltageGroup, false},  // on the low threshold is inside
        {"V", 9.999, kVoltageGroup, true},
        {"RPM", std::nullopt, kFanGroup, false},  // no value, so never out of range
        {"rpm", 80, kNoGroup, true},              // units match whole and with their case
    };
    SensorTable table;
    testing::RecordingSource library;
    for (const auto& c : cases) {
        SensorSlot& s = table[table.count];
        s.Name = "S" + std::to_string(table.count);
        s.ChipId = "HWM1";
        s.Bank = 2;
        s.Channel = uint8_t(table.count);
        s.Unit = c.unit;
        s.LowThreshold = 10;
        s.HighThreshold = 75;
        library.answer("HWM1", table.count, {c.value});
        ++table.count;
    }
    const auto time = std::chrono::system_clock::from_time_t(1000);
    const ReadingPass pass = takeReadingPass("M4430", table, library, time);
    EXPECT_EQ(pass.board, "M4430");
    EXPECT_EQ(pass.time, time);
    ASSERT_EQ(pass.sensors.size(), std::size(cases));
    for (size_t i = 0; i < std::size(cases); ++i) {
        const SensorReading& r = pass.sensors[i];
        SCOPED_TRACE(r.name);
        EXPECT_EQ(r.name, table[int(i)].Name);
        EXPECT_EQ(r.unit, cases[i].unit);
        EXPECT_EQ(r.group, cases[i].group);
        EXPECT_EQ(r.value, cases[i].value);
        EXPECT_EQ(r.outOfRange, cases[i].outOfRange);
        EXPECT_EQ(r.error, r.value ? "" : "no reading from chip HWM1 (bank 2, channel " + std::to_string(i) + ")");
    }
    EXPECT_EQ(pass.readCount(), 5);
    EXPECT_EQ(pass.failedCount(), 1);
    EXPECT_EQ(pass.outOfRangeCount(), 3);
    EXPECT_FALSE(pass.nothingRead());
}

}  // namespace
}  // namespace qorv
