#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "file_text.h"
#include "frame_server.h"
#include "recording_source.h"
#include "settings_file.h"
#include "startup.h"

namespace qorv {
namespace {

using qvnhwm::testing::TempDir;
using testing::RecordingSource;

class RecordingHost final : public LoadHost {
public:
    void openingEffect(int steps) override { effects.push_back(steps); }
    void report(const std::string& problem) override { problems.push_back(problem); }
    std::vector<int> effects;
    std::vector<std::string> problems;
};

class StartupTest : public ::testing::Test {
protected:
    StartupTest() {
        state.programFolder = dir.file("");
        state.programFolder.pop_back();
        std::ofstream(dir.file("M4440.txt"), std::ios::binary)
            << "<SENSORS>\r\n<NUMBER>\r\n1\r\n<SENSOR>\r\nCPU1 "
               "Temp\r\nHWM1\r\n1\r\n129\r\nC\r\n75\r\n5\r\n1\r\n0\r\n0\r\n"
               "0\r\n1\r\n0\r\n0\r\n1\r\n10\r\n20\r\n80\r\n20\r\n<QVN>\r\n<MB>\r\n<SB>ICH2\r\n</MB>\r\n";
    }
    TempDir dir;
    MonitorState state;
    RecordingSource library;
    RecordingHost host;
};

TEST_F(StartupTest, AskForTheBoardWithoutASettingsFile) {
    decideBoard(state);
    EXPECT_EQ(state.boardNotChosen, kYes);
    EXPECT_EQ(state.boardName, "");
}

TEST_F(StartupTest, FirstUseAppliesDefaultsAndWritesTheSettingsFile) {
    decideBoard(state);
    state.boardName = "M4440";  // chosen in the dialog
    state.groups.gaugeSensor = 3;
    loadMainWindow(state, library, host);
    EXPECT_EQ(library.calls, (std::vector<std::string>{"ReleaseDLL", "InitDLL " + dir.file("M4440.txt")}));
    EXPECT_EQ(state.table.count, 1);
    EXPECT_EQ(state.table[0].HighThreshold, 75);
    EXPECT_EQ(state.table[0].BeepFre, 1000);
    EXPECT_TRUE(host.effects.empty());
    EXPECT_TRUE(host.problems.empty());
    EXPECT_EQ(state.groups.gaugeSensor, 0);
    EXPECT_EQ(qorv::testing::fileText(state.settingsPath()).substr(0, 27), "<motherboard name>\r\nM4440\r\n");

    // The next start skips the dialog and takes the saved settings.
    MonitorState next;
    next.programFolder = state.programFolder;
    decideBoard(next);
    EXPECT_EQ(next.boardNotChosen, kNo);
    EXPECT_EQ(next.boardName, "M4440");
    EXPECT_EQ(next.caption(), "Qorvane System Monitor -M4440");
    loadMainWindow(next, library, host);
    EXPECT_EQ(next.table[0].HighThreshold, 75);
    EXPECT_EQ(next.table[0].ShutDown, 1);
    EXPECT_EQ(host.effects, (std::vector<int>{500}));
}

TEST_F(StartupTest, AFirstUseSaveKeepsACopyOfTheFileItReplaces) {
    const std::string old = "<motherboard name>\r\n../M4440\r\n<mail server address>\r\nsmtp.x.y\r\n";
    std::ofstream(state.settingsPath(), std::ios::binary) << old;
    decideBoard(state);
    ASSERT_EQ(state.boardNotChosen, kYes);
    state.boardName = "M4440";
    loadMainWindow(state, library, host);
    ASSERT_EQ(host.problems.size(), 2u);
    EXPECT_NE(host.problems[0].find("is not a plain name"), std::string::npos) << host.problems[0];
    const std::string kept = state.settingsPath() + ".unreadable-";
    ASSERT_EQ(host.problems[1].rfind("the settings file that named no board was kept as " + kept, 0), 0u);
    EXPECT_EQ(qorv::testing::fileText(host.problems[1].substr(host.problems[1].rfind(' ') + 1)), old);
    EXPECT_EQ(qorv::testing::fileText(state.settingsPath()).substr(0, 27), "<motherboard name>\r\nM4440\r\n");
}

TEST_F(StartupTest, OnlyTheSettingsFileMovesToThePerUserPath) {
    TempDir user;
    state.settingsFile = user.file("QHwmset");
    state.boardName = "M4440";
    loadMainWindow(state, library, host);
    EXPECT_EQ(library.calls.back(), "InitDLL " + dir.file("M4440.txt"));
    EXPECT_EQ(readChosenBoard(user.file("QHwmset")), "M4440");
    EXPECT_FALSE(std::ifstream(dir.file("QHwmset")).is_open());

    MonitorState next;
    next.programFolder = state.programFolder;
    next.settingsFile = state.settingsFile;
    decideBoard(next);
    EXPECT_EQ(next.boardName, "M4440");
}

TEST_F(StartupTest, SavedSettingsWinOverTheBoardDefaults) {
    std::ofstream(state.settingsPath(), std::ios::binary)
        << "<motherboard name>\r\nM4440\r\n<mail server address>\r\nsmtp.example\r\nme@example\r\n<end mail>\r\n"
           "<setting data>\r\nheader\r\n<sensor>\r\n 60 \r\n 10 \r\n 0 \r\n 440 \r\n 250 \r\n 1 \r\n 0 \r\n 0 \r\n";
    decideBoard(state);
    loadMainWindow(state, library, host);
    EXPECT_EQ(state.table[0].HighThreshold, 60);
    EXPECT_EQ(state.table[0].BeepFre, 440);
    EXPECT_EQ(state.table[0].ShutDown, 0);
    EXPECT_EQ(state.mail.ServerAddress, "smtp.example");
    EXPECT_TRUE(host.problems.empty());
}

TEST_F(StartupTest, ReportsAMissingBoardFileAndGoesOn) {
    std::ofstream(state.settingsPath(), std::ios::binary) << "<motherboard name>\r\nM4999\r\n";
    decideBoard(state);
    loadMainWindow(state, library, host);
    ASSERT_FALSE(host.problems.empty());
    EXPECT_NE(host.problems[0].find("cannot open the board file"), std::string::npos);
    EXPECT_EQ(state.table.count, 0);
    EXPECT_EQ(library.calls.size(), 2u);  // the library is bound all the same
}

}  // namespace
}  // namespace qorv
