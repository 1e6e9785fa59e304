#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

#include "file_text.h"
#include "frame_server.h"
#include "settings_file.h"
#include "settings_location.h"
#include "startup.h"

namespace qorv {
namespace {

using qvnhwm::testing::TempDir;

mode_t modeOf(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

// A temporary stand-in for the program folder, /etc/qorvmon and $HOME.
class SettingsLocationTest : public ::testing::Test {
protected:
    SettingsLocationTest() {
        places.programFolder = root.file("program");
        places.installedFolders = {root.file("installed"), root.file("installed-too")};
        places.systemFolder = root.file("etc/qorvmon");
        places.home = root.file("home");
        for (const std::string& f :
             {places.programFolder, root.file("installed"), root.file("etc"), places.systemFolder, places.home})
            ::mkdir(f.c_str(), 0755);
    }
    ~SettingsLocationTest() override { ::chmod(places.programFolder.c_str(), 0755); }
    TempDir root;
    SettingsPlaces places;
};

TEST_F(SettingsLocationTest, ProgramFolderWhenItIsTheUsersElsePerUserSeededFromEtc) {
    const struct {
        const char* what;
        mode_t programMode;
        bool installed;          // the program folder is the installed one
        const char* configHome;  // relative to the temporary root; nullptr: unset
        bool administratorFile;
        const char* userFile;  // already there before; nullptr: none
        const char* expectedPath;
        const char* expectedText;  // "" : no file there
    } cases[] = {
        {"writable folder keeps it", 0755, false, nullptr, true, nullptr, "program/QHwmset", ""},
        {"read-only folder, seeded", 0555, false, nullptr, true, nullptr, "home/.config/qorvmon/QHwmset", "admin"},
        {"XDG_CONFIG_HOME", 0555, false, "xdg", true, nullptr, "xdg/qorvmon/QHwmset", "admin"},
        {"relative XDG_CONFIG_HOME is ignored", 0555, false, "@rel", true, nullptr, "home/.config/qorvmon/QHwmset",
         "admin"},
        {"no administrator's file", 0555, false, nullptr, false, nullptr, "home/.config/qorvmon/QHwmset", ""},
        {"not re-seeded", 0555, false, nullptr, true, "mine", "home/.config/qorvmon/QHwmset", "mine"},
        {"installed folder even when writable", 0755, true, nullptr, true, nullptr, "home/.config/qorvmon/QHwmset",
         "admin"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir fresh;
        SettingsPlaces p = places;
        p.home = fresh.file("home");
        if (c.installed) p.installedFolders.push_back(p.programFolder);
        if (c.configHome) p.configHome = c.configHome[0] == '@' ? c.configHome + 1 : fresh.file(c.configHome);
        ::chmod(p.programFolder.c_str(), c.programMode);
        const std::string administrators = settingsFilePath(p.systemFolder);
        ::unlink(administrators.c_str());
        if (c.administratorFile) std::ofstream(administrators, std::ios::binary) << "admin";
        const std::string expected = std::string(c.expectedPath).starts_with("program/") ? root.file(c.expectedPath)
                                                                                         : fresh.file(c.expectedPath);
        if (c.userFile) {
            std::string error;
            ASSERT_TRUE(makePrivateFolder(expected.substr(0, expected.rfind('/')), error)) << error;
            std::ofstream(expected, std::ios::binary) << c.userFile;
        }

        const SettingsLocation location = locateSettings(p);
        EXPECT_EQ(location.path, expected);
        EXPECT_TRUE(location.problem.empty()) << location.problem;
        EXPECT_EQ(qorv::testing::fileText(expected), c.expectedText);
        EXPECT_EQ(location.seededFrom.empty(), std::string(c.expectedText) != "admin");
        if (location.perUser && !std::string(c.expectedText).empty()) {
            EXPECT_EQ(modeOf(expected.substr(0, expected.rfind('/'))), 0700u);
        }
    }
}

TEST_F(SettingsLocationTest, TheFirstSaveMakesThePrivateFolder) {
    ::chmod(places.programFolder.c_str(), 0555);
    const SettingsLocation location = locateSettings(places);
    ASSERT_TRUE(location.perUser);
    MonitorState state;
    state.programFolder = places.programFolder;
    state.settingsFile = location.path;
    state.boardName = "M4430";
    std::string error;
    ASSERT_TRUE(saveState(state, error)) << error;
    EXPECT_EQ(readChosenBoard(location.path), "M4430");
    EXPECT_EQ(modeOf(places.home + "/.config"), 0700u);
    EXPECT_EQ(modeOf(places.home + "/.config/qorvmon"), 0700u);
    EXPECT_FALSE(folderIsUsersToWrite(places.programFolder));  // so nothing was written there
}

// Only the permission triple that applies to this process counts; root gets no override.
TEST_F(SettingsLocationTest, TheFoldersBitsDecideForTheEffectiveUser) {
    constexpr uid_t kNobody = 65534;
    const struct {
        mode_t mode;
        bool someoneElses;  // owned by nobody:nogroup (needs root to arrange)
        bool writable;
    } cases[] = {
        {0755, false, true}, {0555, false, false}, {0355, false, true}, {0655, false, false},
        {0757, true, true},  {0775, true, false},  {0756, true, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << std::oct << c.mode << (c.someoneElses ? " nobody's" : " mine"));
        if (c.someoneElses && ::geteuid() != 0) continue;
        TempDir dir;
        if (c.someoneElses) {
            ASSERT_EQ(::chown(dir.path().c_str(), kNobody, kNobody), 0);
        }
        ::chmod(dir.path().c_str(), c.mode);
        EXPECT_EQ(folderIsUsersToWrite(dir.path()), c.writable);
        ::chmod(dir.path().c_str(), 0700);
    }
    EXPECT_FALSE(folderIsUsersToWrite(root.file("missing")));
}

}  // namespace
}  // namespace qorv
