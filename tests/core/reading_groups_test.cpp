#include <gtest/gtest.h>

#include "reading_groups.h"
#include "recording_source.h"

namespace qorv {
namespace {

using testing::RecordingSource;

struct Row {
    int row;
    Rgb colour;
    std::string name, reading, unit;
    bool operator==(const Row&) const = default;
};

class RecordingGrid final : public ReadingGrid, public EventPump {
public:
    void setRowCount(int rows) override { rowCount = rows; }
    void setRow(int row, Rgb colour, const std::string& name, const std::string& reading,
                const std::string& unit) override {
        rows.push_back({row, colour, name, reading, unit});
        events.push_back("row " + std::to_string(row));
    }
    void processEvents() override { events.push_back("yield"); }

    int rowCount = -1;
    std::vector<Row> rows;
    std::vector<std::string> events;
};

class ReadingGroupsTest : public ::testing::Test {
protected:
    void add(const std::string& name, const std::string& unit, int channel, std::optional<double> value) {
        SensorSlot& s = table[table.count++];
        s.Name = name;
        s.ChipId = "HWM1";
        s.Unit = unit;
        s.Channel = uint8_t(channel);
        source.answer("HWM1", channel, {value});
    }
    void fill(int group) {
        groups.LayoutReadingPages(table);
        FillReadingGrid(group, table, source, groups, grid, grid, [&](int slot, double v) {
            alarms.push_back({slot, v});
            grid.events.push_back("alarm " + std::to_string(slot));
        });
    }

    SensorTable table;
    RecordingSource source;
    ReadingGroups groups;
    RecordingGrid grid;
    std::vector<std::pair<int, double>> alarms;
};

TEST_F(ReadingGroupsTest, CountsTheSensorsOfEachGroupByExactUnit) {
    add("Fan", "RPM", 40, 4500);
    add("Vcore", "V", 32, 1.5);
    add("+12V", "V", 36, 12);
    add("Temp", "C", 39, 32);
    add("Odd", "rpm", 41, 1);
    add("Other", "%", 42, 1);
    groups.LayoutReadingPages(table);
    EXPECT_EQ(groups.groupUnit[0], "RPM");
    EXPECT_EQ(groups.groupCount[0], 1);
    EXPECT_EQ(groups.groupCount[1], 2);
    EXPECT_EQ(groups.groupCount[2], 1);
    EXPECT_EQ(groups.groupCount[3], 0);
}

TEST_F(ReadingGroupsTest, FillsTheGroupsRowsInSlotOrderWithAlternatingColours) {
    add("Vcore", "V", 32, 1.4976);
    add("Fan", "RPM", 40, 4500);
    add("+3.3V", "V", 34, 3.296);
    add("+12V", "V", 36, std::nullopt);
    add("+5V", "V", 35, 12.3456);
    groups.gaugeSensor = 2;
    fill(kVoltageGroup);
    EXPECT_EQ(grid.rowCount, 5);
    EXPECT_EQ(grid.rows, (std::vector<Row>{{1, kOddRowColour, "Vcore", "1.498", "V"},
                                           {2, kGaugeRowColour, "+3.3V", "3.296", "V"},
                                           {3, kOddRowColour, "+12V", "Read Failed", "V"},
                                           {4, kEvenRowColour, "+5V", "12.346", "V"}}));
    EXPECT_EQ(source.reads, 5);                  // every sensor is read, whatever its group
    EXPECT_EQ(table[4].ReadingText, "12.3456");  // the grid rounds, the text does not
    EXPECT_EQ(table[3].ReadingText, "Read Failed");
    EXPECT_EQ(table[1].ReadingText, "4500");
    // Each row yields, then a good reading of the group is evaluated before the next row.
    EXPECT_EQ(grid.events, (std::vector<std::string>{"row 1", "yield", "alarm 0", "row 2", "yield", "alarm 2", "row 3",
                                                     "yield", "row 4", "yield", "alarm 4"}));
}

TEST(GridReadingText, RoundsToThreeDecimalsHalvesToEven) {
    EXPECT_EQ(gridReadingText(12.3456), "12.346");
    EXPECT_EQ(gridReadingText(4500), "4500");
    EXPECT_EQ(gridReadingText(-12.0304), "-12.03");
    EXPECT_EQ(gridReadingText(0.0625), "0.062");  // 62.5 thousandths: to the even 62
    EXPECT_EQ(gridReadingText(0.1875), "0.188");  // 187.5 thousandths: to the even 188
}

TEST(Gauge, PlacesReadingsOnEachGroupsScaleAndClampsIntoIt) {
    EXPECT_EQ(gaugePosition(kFanGroup, "4000"), 20);
    EXPECT_EQ(gaugePosition(kTemperatureGroup, "30"), 16);
    EXPECT_EQ(gaugePosition(kVoltageGroup, "12.06"), 45 + 36);
    EXPECT_EQ(gaugePosition(kVoltageGroup, "-5.1"), 45 - 15);
    EXPECT_EQ(gaugePosition(kVoltageGroup, "2.5"), 45 + 6);  // a half goes to the even 2
    EXPECT_EQ(gaugePosition(kFanGroup, "Read Failed"), 0);
    EXPECT_EQ(gaugePosition(kVoltageGroup, "Read Failed"), 45);
    EXPECT_EQ(gaugePosition(kTemperatureGroup, "Read Failed"), 4);
    // Beyond the printed scales
    EXPECT_EQ(gaugePosition(kFanGroup, "12000"), 40);
    EXPECT_EQ(gaugePosition(kVoltageGroup, "-16"), 0);
    EXPECT_EQ(gaugePosition(kVoltageGroup, "24"), 90);
    EXPECT_EQ(gaugePosition(kTemperatureGroup, "-40"), 0);
    EXPECT_EQ(gaugePosition(kTemperatureGroup, "130"), 50);
    EXPECT_EQ(gaugeMaximum(kFanGroup) - gaugePosition(kFanGroup, "4000"), 20);
    EXPECT_EQ(gaugeMaximum(kTemperatureGroup) - gaugePosition(kTemperatureGroup, "30"), 34);
}

TEST(MonitorButton, NamesWhatTheNextClickDoes) {
    MonitorButtonState b;
    EXPECT_STREQ(b.caption(), "Turn Monitor On");
    EXPECT_EQ(b.lampColour(), 255u);
    b.toggle();
    EXPECT_STREQ(b.caption(), "Turn Monitor Off");
    EXPECT_EQ(b.lampColour(), 65280u);
    b.toggle();
    EXPECT_STREQ(b.caption(), "Turn Monitor On");
    EXPECT_FALSE(b.monitoring);
}

}  // namespace
}  // namespace qorv
