#include "settings_location.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <vector>

#include "settings_file.h"

#ifndef QORV_INSTALLED_PROGRAM_FOLDER
#  define QORV_INSTALLED_PROGRAM_FOLDER "/usr/local/lib/qorvmon"
#endif

namespace qorv {

namespace {

namespace fs = std::filesystem;

constexpr const char* kPackagedProgramFolder = "/usr/lib/qorvmon";  // the Debian package's
constexpr mode_t kPrivateFolderMode = 0700;
constexpr mode_t kSettingsFileMode = 0644;  // as SaveSettings leaves it
constexpr mode_t kWriteAndSearch = 03;      // w and x of one permission triple

bool inGroup(gid_t gid) {
    if (gid == ::getegid()) return true;
    const int count = ::getgroups(0, nullptr);
    if (count <= 0) return false;
    std::vector<gid_t> groups(static_cast<size_t>(count));
    const int got = ::getgroups(count, groups.data());
    for (int i = 0; i < got; ++i)
        if (groups[size_t(i)] == gid) return true;
    return false;
}

bool installed(const std::string& folder, const std::vector<std::string>& installedFolders) {
    std::error_code ec;
    for (const std::string& i : installedFolders)
        if (!folder.empty() && !i.empty() && fs::equivalent(folder, i, ec)) return true;
    return false;
}

bool absolute(const std::string& path) { return !path.empty() && path[0] == '/'; }

// Copies the administrator's file through a temporary name, so an interrupted copy
// never stands as the user's settings.
bool seed(const std::string& from, const std::string& to, std::string& error) {
    const std::string temporary = to + ".seed";
    std::error_code ec;
    fs::remove(temporary, ec);
    if (!fs::copy_file(from, temporary, ec) || ::chmod(temporary.c_str(), kSettingsFileMode) != 0 ||
        ::rename(temporary.c_str(), to.c_str()) != 0) {
        error = "cannot copy the administrator's settings " + from + " to " + to + ": " +
                (ec ? ec.message() : std::string(std::strerror(errno)));
        fs::remove(temporary, ec);
        return false;
    }
    return true;
}

}  // namespace

bool folderIsUsersToWrite(const std::string& folder) {
    struct stat st {};
    if (::stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return false;
    int shift = 0;  // the "other" triple
    if (st.st_uid == ::geteuid())
        shift = 6;
    else if (inGroup(st.st_gid))
        shift = 3;
    return ((st.st_mode >> shift) & kWriteAndSearch) == kWriteAndSearch;
}

bool makePrivateFolder(const std::string& folder, std::string& error) {
    for (size_t end = folder.find('/', 1);; end = folder.find('/', end + 1)) {
        const std::string part = folder.substr(0, end);
        struct stat st {};
        if (!part.empty() && ::mkdir(part.c_str(), kPrivateFolderMode) != 0 &&
            !(errno == EEXIST && ::stat(part.c_str(), &st) == 0 && S_ISDIR(st.st_mode))) {
            error = "cannot make the folder " + part + ": " + std::strerror(errno);
            return false;
        }
        if (end == std::string::npos) return true;
    }
}

bool makeSettingsFolder(const std::string& settingsFile, std::string& error) {
    const std::string folder = fs::path(settingsFile).parent_path().string();
    return folder.empty() || ::access(folder.c_str(), F_OK) == 0 || makePrivateFolder(folder, error);
}

SettingsPlaces settingsPlacesOf(const std::string& programFolder) {
    SettingsPlaces places;
    places.programFolder = programFolder;
    places.installedFolders = {QORV_INSTALLED_PROGRAM_FOLDER, kPackagedProgramFolder};
    if (const char* config = std::getenv("XDG_CONFIG_HOME")) places.configHome = config;
    if (const char* home = std::getenv("HOME"); home && *home) {
        places.home = home;
    } else if (const passwd* user = ::getpwuid(::geteuid()); user && user->pw_dir) {
        places.home = user->pw_dir;
    }
    return places;
}

SettingsLocation locateSettings(const SettingsPlaces& places) {
    SettingsLocation location;
    if (!installed(places.programFolder, places.installedFolders) && folderIsUsersToWrite(places.programFolder)) {
        location.path = settingsFilePath(places.programFolder);
        return location;
    }
    std::string configHome = places.configHome;
    if (!absolute(configHome) && absolute(places.home)) configHome = places.home + "/.config";
    if (!absolute(configHome)) {
        location.path = settingsFilePath(places.programFolder);
        location.problem = "the program folder " + places.programFolder +
                           " is not yours to write and neither XDG_CONFIG_HOME nor HOME names a folder "
                           "for your settings";
        return location;
    }
    location.perUser = true;
    const std::string folder = configHome + "/" + kUserSettingsSubfolder;
    location.path = settingsFilePath(folder);

    std::error_code ec;
    const std::string administrators = settingsFilePath(places.systemFolder);
    if (fs::exists(fs::symlink_status(location.path, ec)) || !fs::exists(administrators, ec)) return location;
    if (makePrivateFolder(folder, location.problem) && seed(administrators, location.path, location.problem))
        location.seededFrom = administrators;
    return location;
}

}  // namespace qorv
