#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <string_view>

#include "system_information_tool.h"

namespace qorv {

namespace {

// Where programs are looked for when the environment names no search path.
constexpr const char* kDefaultSearchPath = "/usr/local/bin:/usr/bin:/bin";
// Some hardware viewers install for the administrator only, outside a user's search path.
constexpr const char* kAdministratorFolders[] = {"/usr/local/sbin", "/usr/sbin"};

// The absolute folders of the search path, then the administrator's. Empty and relative
// entries stand for the working folder, from which nothing is started.
std::vector<std::string> searchFolders() {
    const char* variable = std::getenv("PATH");
    const std::string_view path = variable && *variable ? variable : kDefaultSearchPath;
    std::vector<std::string> folders;
    const auto add = [&folders](std::string_view folder) {
        if (std::find(folders.begin(), folders.end(), folder) == folders.end()) folders.emplace_back(folder);
    };
    size_t start = 0;
    while (start <= path.size()) {
        const size_t end = std::min(path.find(':', start), path.size());
        const std::string_view entry = path.substr(start, end - start);
        if (!entry.empty() && entry.front() == '/') add(entry);
        start = end + 1;
    }
    for (const char* folder : kAdministratorFolders) add(folder);
    return folders;
}

bool isRegularFile(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

}  // namespace

std::vector<std::string> systemInformationCandidates() {
    // Hardware and system summaries first; a process and resource viewer only as the last
    // resort.
    return {"hardinfo", "hardinfo2", "lshw-gtk", "kinfocenter", "gnome-system-monitor"};
}

std::string findSystemInformationTool(const std::vector<std::string>& candidates,
                                      const std::vector<std::string>& folders) {
    for (const std::string& candidate : candidates) {
        if (candidate.empty() || candidate.find('/') != std::string::npos) continue;
        for (const std::string& folder : folders) {
            const std::string path = folder + "/" + candidate;
            // A directory carries the execute bit too; only a regular file is a program.
            if (isRegularFile(path) && ::access(path.c_str(), X_OK) == 0) return path;
        }
    }
    return {};
}

std::string systemInformationProgram() {
    return findSystemInformationTool(systemInformationCandidates(), searchFolders());
}

}  // namespace qorv
