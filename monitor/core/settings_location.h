// Where the settings file QHwmset lives. In a program folder the user may write (the
// build folder, the demo, a portable copy) it lies beside the program. An installed
// program folder is nobody's to write, not even root's, so there it is the per-user
// file $XDG_CONFIG_HOME/qorvmon/QHwmset (~/.config/qorvmon/QHwmset by default), seeded
// at first use from the administrator's /etc/qorvmon/QHwmset when there is one.
#pragma once

#include <string>
#include <vector>

namespace qorv {

inline constexpr const char* kSystemSettingsFolder = "/etc/qorvmon";
inline constexpr const char* kUserSettingsSubfolder = "qorvmon";

// Every place the rule looks at, so a test can move each one.
struct SettingsPlaces {
    std::string programFolder;
    std::vector<std::string> installedFolders;  // program folders of installed copies
    std::string configHome;                     // $XDG_CONFIG_HOME; ignored unless absolute
    std::string home;                           // $HOME
    std::string systemFolder = kSystemSettingsFolder;
};

// The places of this process: its program folder, the installed folders (the install
// prefix's and the package's), and the environment (the password database when HOME
// is unset).
SettingsPlaces settingsPlacesOf(const std::string& programFolder);

struct SettingsLocation {
    std::string path;
    bool perUser = false;
    std::string seededFrom;  // the administrator's file copied to path just now
    std::string problem;     // why no usable per-user path or seed could be had
};

// Applies the rule. At first use of the per-user file (none there yet) it copies the
// administrator's file to it, making the folder (mode 0700) on the way.
SettingsLocation locateSettings(const SettingsPlaces& places);

// True when the folder's permission bits, as they apply to this process's effective
// user and groups, let it create files there (write and search). Root gets no override:
// a folder installed read-only stays read-only to it.
bool folderIsUsersToWrite(const std::string& folder);

// Makes folder and any missing parents, each readable by the user alone.
bool makePrivateFolder(const std::string& folder, std::string& error);

// Before a save to the path locateSettings gave: makes its folder when missing (a new
// user's ~/.config/qorvmon). A file the user named is never given a folder this way.
bool makeSettingsFolder(const std::string& settingsFile, std::string& error);

}  // namespace qorv
