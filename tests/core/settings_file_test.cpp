#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "file_text.h"
#include "frame_server.h"
#include "settings_file.h"

namespace qorv {
namespace {

using qvnhwm::testing::TempDir;

class SettingsFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        table.count = 3;
        for (int i = 0; i < 3; ++i) {
            table[i].DefaultHigh = 60 + i;
            table[i].DefaultLow = -5;
        }
    }
    std::string save() {
        std::string error;
        EXPECT_TRUE(SaveSettings(path, "M4430", mail, table, error)) << error;
        return qorv::testing::fileText(path);
    }

    TempDir dir;
    std::string path = dir.file("QHwmset");
    SensorTable table;
    MailSettings mail;
};

TEST_F(SettingsFileTest, WritesTheFirstUseFileByteForByte) {
    table.count = 3;
    table[0].HighThreshold = 60;
    table[0].LowThreshold = -5;
    table[0].Beep = 1;
    table[1].HighThreshold = 12.6;
    table[1].LowThreshold = 11.4;
    table[2].HighThreshold = -10.8;
    table[2].LowThreshold = -13.2;
    table[2].ShutDown = 1;
    for (int i = 0; i < 3; ++i) {
        table[i].BeepFre = 1000;
        table[i].BeepDur = 100;
    }
    const std::string block0 = "<sensor>\r\n 60 \r\n-5 \r\n 1 \r\n 1000 \r\n 100 \r\n 0 \r\n 0 \r\n 0 \r\n";
    const std::string block1 = "<sensor>\r\n 12.6 \r\n 11.4 \r\n 0 \r\n 1000 \r\n 100 \r\n 0 \r\n 0 \r\n 0 \r\n";
    const std::string block2 = "<sensor>\r\n-10.8 \r\n-13.2 \r\n 0 \r\n 1000 \r\n 100 \r\n 0 \r\n 0 \r\n 1 \r\n";
    EXPECT_EQ(save(),
              "<motherboard name>\r\nM4430\r\n<mail server address>\r\n\r\n\r\n<end mail>\r\n"
              "<setting data>\r\nHighThreshold/LowThreshold/Beep/BeepFre/BeepDur/Email/Reboot/ShutDown\r\n" +
                  block0 + block1 + block2);
}

TEST_F(SettingsFileTest, ReadsBackEveryValueItWrote) {
    mail.ServerAddress = "mail.example.com:2525";
    mail.CurrentAddress = "ops@example.com";
    mail.AddressCount = MailSettings::kMaxAddresses;  // all 26 come back, not 25
    for (int i = 0; i < MailSettings::kMaxAddresses; ++i) mail.Addresses[size_t(i)] = "a" + std::to_string(i) + "@x";
    const double thresholds[] = {1.0 / 3, -12345.678901234, 98765432109876.5};
    for (int i = 0; i < 3; ++i) {
        table[i].HighThreshold = thresholds[i];
        table[i].LowThreshold = -thresholds[i];
        table[i].Beep = int16_t(i - 1);
        table[i].BeepFre = 2000 + i;
        table[i].BeepDur = 20 + i;
        table[i].Email = 1;
        table[i].Reboot = int16_t(i);
        table[i].ShutDown = int16_t(2 - i);
    }
    save();
    SensorTable back;
    back.count = 3;
    MailSettings mailBack;
    const FileReport report = LoadSettings(path, 3, back, mailBack);
    ASSERT_TRUE(report.clean());
    EXPECT_EQ(mailBack.ServerAddress, mail.ServerAddress);
    EXPECT_EQ(mailBack.CurrentAddress, mail.CurrentAddress);
    EXPECT_EQ(mailBack.AddressCount, 26);
    EXPECT_EQ(mailBack.Addresses, mail.Addresses);
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        EXPECT_NEAR(back[i].HighThreshold, thresholds[i], std::abs(thresholds[i]) * 1e-14);
        EXPECT_NEAR(back[i].LowThreshold, -thresholds[i], std::abs(thresholds[i]) * 1e-14);
        EXPECT_EQ(back[i].Beep, table[i].Beep);
        EXPECT_EQ(back[i].BeepFre, table[i].BeepFre);
        EXPECT_EQ(back[i].BeepDur, table[i].BeepDur);
        EXPECT_EQ(back[i].Email, 1);
        EXPECT_EQ(back[i].Reboot, table[i].Reboot);
        EXPECT_EQ(back[i].ShutDown, table[i].ShutDown);
    }
}

TEST_F(SettingsFileTest, MoreBlocksThanSensorsLeavesTheExtraUnread) {
    table[2].HighThreshold = 99;
    save();
    SensorTable two;
    MailSettings m;
    EXPECT_TRUE(LoadSettings(path, 2, two, m).clean());
    EXPECT_EQ(two[2].HighThreshold, 0);
}

// What a damaged file does not hold keeps the board's defaults, said once, and nothing is
// copied by the reading itself: copies are for the programs that save.
TEST_F(SettingsFileTest, WhatADamagedFileLacksKeepsTheBoardDefaults) {
    for (int i = 0; i < 3; ++i) table[i].HighThreshold = 70 + i;
    const std::string whole = save();
    const auto secondBlock = whole.find("<sensor>", whole.find("<sensor>") + 1);
    const struct {
        const char* name;
        std::string text;
        int firstDefault;  // slots from here on get the board's defaults
        const char* said;
    } cases[] = {
        {"cut after one block", whole.substr(0, secondBlock), 1, "holds the settings of 1 of 3 sensors"},
        {"cut inside a block", whole.substr(0, secondBlock + 10), 1, "ends inside the settings of sensor 2"},
        {"no sensor section", whole.substr(0, whole.find("<setting data>")), 0, "holds the settings of 0 of 3"},
        {"no mail section", "<motherboard name>\r\nM4430\r\n<setting data>\r\nheader\r\n<sensor>\r\n 1 \r\n", 0,
         "has no mail settings"},
    };
    for (const auto& c : cases) {
        std::ofstream(path, std::ios::binary) << c.text;
        SensorTable back = table;
        for (int i = 0; i < 3; ++i) back[i].HighThreshold = 0;
        MailSettings m;
        const FileReport report = LoadSettings(path, 3, back, m);
        ASSERT_EQ(report.problems.size(), 1u) << c.name;
        EXPECT_NE(report.problems[0].describe().find(c.said), std::string::npos) << report.problems[0].describe();
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(back[i].HighThreshold, i < c.firstDefault ? 70 + i : 60 + i) << c.name << " slot " << i;
        EXPECT_EQ(back[2].BeepFre, 1000) << c.name;
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.file("")), {}), 1) << c.name;
    }
}

TEST_F(SettingsFileTest, KeepsDefaultsForUnreadableValuesAndACopyOfTheFile) {
    table[1].HighThreshold = 61;
    save();
    std::string text = qorv::testing::fileText(path);
    text.replace(text.find(" 61 "), 4, "sixty-one");
    std::ofstream(path, std::ios::binary) << text;
    SensorTable back = table;
    MailSettings m;
    const FileReport report = LoadSettings(path, 3, back, m);
    ASSERT_EQ(report.problems.size(), 1u);
    EXPECT_EQ(report.problems[0].describe(),
              "line 19: HighThreshold of sensor 2 is \"sixty-one\", not a number; the "
              "board's default stays");
    EXPECT_EQ(back[1].HighThreshold, 61);  // the board's default
    EXPECT_EQ(back[1].LowThreshold, 0);    // read as written
    const std::string kept = keepDamagedCopy(path);
    ASSERT_FALSE(kept.empty());
    EXPECT_EQ(qorv::testing::fileText(kept), text);
    EXPECT_EQ(keepDamagedCopy(path), kept);  // the same bytes are kept once
}

TEST_F(SettingsFileTest, SurvivesTruncatedAndEmptyFiles) {
    save();
    const std::string whole = qorv::testing::fileText(path);
    // Cut everywhere: never a crash, always a report or a clean partial read.
    for (size_t cut = 0; cut < whole.size(); cut += 7) {
        std::ofstream(path, std::ios::binary) << whole.substr(0, cut);
        SensorTable back = table;
        MailSettings m;
        LoadSettings(path, 3, back, m);
    }
    std::ofstream(path, std::ios::binary) << whole.substr(0, whole.find("<end mail>"));
    SensorTable back;
    MailSettings m;
    const auto report = LoadSettings(path, 3, back, m);
    EXPECT_FALSE(report.problems.empty());

    std::ofstream(path, std::ios::binary) << whole.substr(0, whole.rfind(" 0 "));
    const auto inBlock = LoadSettings(path, 3, back, m);
    ASSERT_FALSE(inBlock.problems.empty());
    EXPECT_NE(inBlock.problems.back().describe().find("ends inside the settings of sensor 3, before its ShutDown"),
              std::string::npos);
    EXPECT_EQ(back[2].ShutDown, 0);
}

TEST_F(SettingsFileTest, ReplacesTheFileWholeAndLeavesNoTemporaryBehind) {
    save();
    table.count = 1;
    save();
    size_t files = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.file(""))) ++files;
    EXPECT_EQ(files, 1u);

    // A folder the service cannot write to: the old file stays and the reason is given.
    ::chmod(dir.file("").c_str(), 0500);
    std::string error;
    table.count = 3;
    const bool saved = SaveSettings(path, "M4430", mail, table, error);
    ::chmod(dir.file("").c_str(), 0700);
    if (::geteuid() != 0) {  // root writes anywhere
        EXPECT_FALSE(saved);
        EXPECT_NE(error.find("cannot create a file beside"), std::string::npos);
        EXPECT_EQ(
            qorv::testing::fileText(path).find("<sensor>\r\n", qorv::testing::fileText(path).find("<sensor>") + 1),
            std::string::npos);
    }
}

TEST(ChosenBoard, ComesFromTheFirstTwoLinesExactly) {
    TempDir dir;
    const std::string path = dir.file("QHwmset");
    EXPECT_EQ(readChosenBoard(path), "");  // missing file
    const struct {
        const char* text;
        const char* board;
    } cases[] = {
        {"<motherboard name>\r\nM4430\r\n<mail server address>\r\n", "M4430"},
        {"<motherboard name>\nM4410", "M4410"},
        {"<Motherboard name>\r\nM4430\r\n", ""},
        {"<motherboard name> \r\n M4430\t\r\n", "M4430"},
        {"<motherboard name>\r\n../../evil/x\r\n", ""},
        {"<motherboard name>\r\n.M4430\r\n", ""},
        {"<motherboard name>\r\nM4430\\x\r\n", ""},
        {"<motherboard name>\r\n", ""},
        {"<motherboard name>\r\n\r\n", ""},
        {"", ""},
    };
    for (const auto& c : cases) {
        std::ofstream(path, std::ios::binary) << c.text;
        EXPECT_EQ(readChosenBoard(path), c.board) << c.text;
    }
}

}  // namespace
}  // namespace qorv
