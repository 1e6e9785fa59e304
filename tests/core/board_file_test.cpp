#include <gtest/gtest.h>

#include <fstream>

#include "board_file.h"
#include "frame_server.h"

namespace qorv {
namespace {

using qvnhwm::testing::TempDir;

// One sensor block's lines after "<SENSOR>", 19 of them, 20 for a fan.
std::string block(const std::string& name, const std::string& unit, int fanControl = 0, double high = 60) {
    std::string b = "<SENSOR>\r\n" + name + "\r\nHWM1\r\n1\r\n129\r\n" + unit + "\r\n";
    if (unit == "RPM") b += std::to_string(fanControl) + "\r\n";
    b += std::to_string(high) + "\r\n5\r\n16\r\n0\r\n13\r\n0\r\n1\r\n0\r\n0\r\n1\r\n100\r\n200\r\n80\r\n20\r\n";
    return b;
}

class BoardFileTest : public ::testing::Test {
protected:
    FileReport read(const std::string& text) {
        const std::string path = dir.file("M4430.txt");
        std::ofstream(path, std::ios::binary) << text;
        return readSensorList(path, table);
    }
    TempDir dir;
    SensorTable table;
};

TEST_F(BoardFileTest, ReadsEveryFieldOfABlock) {
    const auto report = read("<SENSORS>\r\n<NUMBER>\r\n 2 \r\n" + block("CPU1 Temp", "C", 0, 82.5) +
                             block("CPU1 Fan", "RPM", 91) + "<QVN>\r\n");
    ASSERT_TRUE(report.clean()) << report.problems.front().describe();
    ASSERT_EQ(table.count, 2);
    const SensorSlot& t = table[0];
    EXPECT_EQ(t.Name, "CPU1 Temp");
    EXPECT_EQ(t.ChipId, "HWM1");
    EXPECT_EQ(t.Bank, 1);
    EXPECT_EQ(t.Channel, 129);
    EXPECT_EQ(t.Unit, "C");
    EXPECT_EQ(t.FanControl, 0);
    EXPECT_EQ(t.DefaultHigh, 82.5);
    EXPECT_EQ(t.DefaultLow, 5);
    EXPECT_EQ(t.Multiplier, 16);
    EXPECT_EQ(t.ResultScale, 13);
    EXPECT_EQ(t.DefaultBeep, 1);
    EXPECT_EQ(t.DefaultShutDown, 1);
    EXPECT_EQ(t.LabelLeft, 100);
    EXPECT_EQ(t.LabelTop, 200);
    EXPECT_EQ(t.LabelWidth, 80);
    EXPECT_EQ(t.LabelHeight, 20);
    EXPECT_EQ(table[1].FanControl, 91);  // the fan block's extra line
    EXPECT_EQ(table[1].LabelHeight, 20);
}

TEST_F(BoardFileTest, PassesOverLinesBetweenBlocksButNotInsideThem) {
    const auto report = read("junk\r\n<SENSORS>\r\n<NUMBER>\r\n2\r\n// comment\r\n\r\n" + block("A", "V") +
                             "between\r\n" + block("B", "V"));
    ASSERT_TRUE(report.clean());
    EXPECT_EQ(table.count, 2);
    EXPECT_EQ(table[1].Name, "B");
}

TEST_F(BoardFileTest, CutsTheCountTo25AndSaysSo) {
    std::string text = "<SENSORS>\r\n<NUMBER>\r\n30\r\n";
    for (int i = 0; i < 30; ++i) text += block("S" + std::to_string(i), "V");
    const auto report = read(text);
    EXPECT_EQ(table.count, 25);
    EXPECT_EQ(table[24].Name, "S24");
    EXPECT_TRUE(table[25].Name.empty());
    ASSERT_EQ(report.problems.size(), 1u);
    EXPECT_NE(report.problems[0].describe().find("only the first 25"), std::string::npos);
}

TEST_F(BoardFileTest, KeepsTheFanSelectorOfAFanBeyondTheEleventhSlot) {
    std::string text = "<SENSORS>\r\n<NUMBER>\r\n13\r\n";
    for (int i = 0; i < 12; ++i) text += block("V" + std::to_string(i), "V");
    text += block("Late Fan", "RPM", 94);
    ASSERT_TRUE(read(text).clean());
    EXPECT_EQ(table[12].FanControl, 94);
}

TEST_F(BoardFileTest, ALowerCaseRpmIsNoFanAndItsBlockShiftsByALine) {
    std::string odd = block("Odd Fan", "RPM", 90);
    odd.replace(odd.find("RPM"), 3, "rpm");
    ASSERT_TRUE(read("<SENSORS>\r\n<NUMBER>\r\n2\r\n" + odd + block("Next", "V")).clean());
    EXPECT_EQ(table[0].FanControl, 0);
    EXPECT_EQ(table[0].DefaultHigh, 90);  // the selector line
    EXPECT_EQ(table[0].LabelHeight, 80);  // the width line; the height line is passed over
    EXPECT_EQ(table[1].Name, "Next");
}

TEST_F(BoardFileTest, ReportsANumberThatDoesNotConvertWithFileAndLine) {
    std::string bad = block("Bad", "V");
    bad.replace(bad.find("16\r\n"), 4, "1x6\r\n");
    const auto report = read("<SENSORS>\r\n<NUMBER>\r\n3\r\n" + block("A", "V") + bad + block("C", "V"));
    EXPECT_EQ(table.count, 1);  // nothing past the broken block
    ASSERT_EQ(report.problems.size(), 1u);
    EXPECT_EQ(report.problems[0].describe(),
              "M4430.txt line 32: Multiplier of sensor 2 is \"1x6\", not a whole "
              "number from -2147483648 to 2147483647");
}

TEST_F(BoardFileTest, RefusesOutOfRangeFieldsOfTheirType) {
    std::string b = block("Wide", "RPM", 70000);
    const auto report = read("<SENSORS>\r\n<NUMBER>\r\n1\r\n" + b);
    EXPECT_EQ(table.count, 0);
    ASSERT_EQ(report.problems.size(), 1u);
    EXPECT_NE(report.problems[0].describe().find("FanControl of sensor 1 is \"70000\""), std::string::npos);
}

TEST_F(BoardFileTest, ReportsAFileThatEndsEarly) {
    auto report = read("<SENSORS>\r\n<NUMBER>\r\n");
    EXPECT_EQ(table.count, 0);
    ASSERT_EQ(report.problems.size(), 1u);
    EXPECT_NE(report.problems[0].describe().find("ends right after <NUMBER>"), std::string::npos);

    std::string cut = block("A", "V");
    cut.resize(cut.size() - 4);
    report = read("<SENSORS>\r\n<NUMBER>\r\n1\r\n" + cut);
    EXPECT_EQ(table.count, 0);
    ASSERT_EQ(report.problems.size(), 1u);
    EXPECT_NE(report.problems[0].describe().find("ends inside sensor 1 before its LabelHeight"), std::string::npos);

    report = read("<SENSORS>\r\n<NUMBER>\r\n4\r\n" + block("A", "V"));
    EXPECT_EQ(table.count, 1);
    ASSERT_EQ(report.problems.size(), 1u);
    EXPECT_EQ(report.problems[0].describe(), "M4430.txt promises 4 sensors but holds 1");
}

TEST_F(BoardFileTest, LeavesTheCountWithoutASensorList) {
    table.count = 0;
    EXPECT_TRUE(read("<QVN>\r\n<MB>\r\n</MB>\r\n").clean());
    EXPECT_EQ(table.count, 0);
    EXPECT_TRUE(read("<SENSORS>\r\n<sensor>\r\n").clean());  // no <NUMBER>: nothing to fill
    EXPECT_EQ(table.count, 0);
}

TEST_F(BoardFileTest, ReportsAMissingFile) {
    const auto report = readSensorList(dir.file("M9999.txt"), table);
    EXPECT_FALSE(report.opened);
    ASSERT_EQ(report.problems.size(), 1u);
    EXPECT_NE(report.problems[0].describe().find("cannot open the board file"), std::string::npos);
}

TEST(SensorDefaults, CopyTheBoardDefaultsAndAFixedTone) {
    SensorTable table;
    table.count = 2;
    table[0].DefaultHigh = 70;
    table[0].DefaultLow = 5;
    table[0].DefaultBeep = 1;
    table[0].DefaultShutDown = 1;
    table[1].DefaultEmail = 1;
    table[1].DefaultReboot = 1;
    table[2].DefaultHigh = 99;  // beyond the count: untouched
    ApplySensorDefaults(table);
    EXPECT_EQ(table[0].HighThreshold, 70);
    EXPECT_EQ(table[0].LowThreshold, 5);
    EXPECT_EQ(table[0].Beep, 1);
    EXPECT_EQ(table[0].ShutDown, 1);
    EXPECT_EQ(table[1].Email, 1);
    EXPECT_EQ(table[1].Reboot, 1);
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(table[i].BeepFre, 1000);
        EXPECT_EQ(table[i].BeepDur, 100);
    }
    EXPECT_EQ(table[2].HighThreshold, 0);
}

}  // namespace
}  // namespace qorv
