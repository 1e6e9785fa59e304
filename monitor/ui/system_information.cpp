#include "system_information.h"

#include <algorithm>
#include <QFileInfo>
#include <QProcess>
#include <QString>

#if defined(_WIN32)
#include <windows.h>
#else
#include <QByteArray>
#include <QDir>
#include <unistd.h>
#endif

namespace qorv {

#if defined(_WIN32)

namespace {

// Query, set, create sub-key, enumerate, notify, create link and read control.
constexpr REGSAM kRegistryAccess = 0x2003F;
// A standard user may only read under the local machine's key, so a refused open is
// tried once more asking for reading alone.
constexpr REGSAM kRegistryReadAccess = KEY_READ;
constexpr DWORD kRegistryBufferChars = 1024;

constexpr const char* kMsinfoKey = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
constexpr const char* kMsinfoValue = "PATH";
constexpr const char* kSharedToolsKey = "SOFTWARE\\Microsoft\\Shared Tools Location";
constexpr const char* kSharedToolsValue = "MSINFO";
constexpr const char* kMsinfoProgram = "\\MSINFO32.EXE";

std::string expandEnvironment(const std::string& text) {
    char expanded[kRegistryBufferChars];
    const DWORD needed = ExpandEnvironmentStringsA(text.c_str(), expanded, kRegistryBufferChars);
    if (needed == 0 || needed > kRegistryBufferChars) return text;
    return expanded;
}

// A text value of the registry. True when the value was read; a value that is no text
// reads as empty text, which no program start accepts.
bool ReadRegistryText(HKEY root, const std::string& keyPath, const std::string& valueName, std::string& result) {
    result.clear();
    HKEY key = nullptr;
    LONG opened = RegOpenKeyExA(root, keyPath.c_str(), 0, kRegistryAccess, &key);
    if (opened == ERROR_ACCESS_DENIED) opened = RegOpenKeyExA(root, keyPath.c_str(), 0, kRegistryReadAccess, &key);
    // Only a key that was opened is closed.
    if (opened != ERROR_SUCCESS) return false;

    char buffer[kRegistryBufferChars];
    DWORD size = kRegistryBufferChars;
    DWORD type = REG_NONE;
    const LONG queried =
        RegQueryValueExA(key, valueName.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
    RegCloseKey(key);
    if (queried != ERROR_SUCCESS) return false;

    std::string text(buffer, size);
    if (!text.empty() && text.back() == '\0') text.pop_back();
    if (type == REG_SZ) result = text;
    if (type == REG_EXPAND_SZ) result = expandEnvironment(text);
    return true;
}

bool startProgram(const std::string& path) {
    return !path.empty() && QProcess::startDetached(QString::fromLocal8Bit(path.c_str()));
}

}  // namespace

void StartSystemInformation(const std::function<void(const std::string&)>& message) {
    std::string path;
    if (ReadRegistryText(HKEY_LOCAL_MACHINE, kMsinfoKey, kMsinfoValue, path)) {
        if (startProgram(path)) return;
    } else if (ReadRegistryText(HKEY_LOCAL_MACHINE, kSharedToolsKey, kSharedToolsValue, path)) {
        const std::string program = path + kMsinfoProgram;
        if (QFileInfo(QString::fromLocal8Bit(program.c_str())).isFile() && startProgram(program)) return;
    }
    message(kSystemInformationUnavailable);
}

#else

namespace {

// Where programs are looked for when the environment names no search path.
constexpr const char* kDefaultSearchPath = "/usr/local/bin:/usr/bin:/bin";
// Some hardware viewers install for the administrator only, outside a user's search path.
constexpr const char* kAdministratorFolders[] = {"/usr/local/sbin", "/usr/sbin"};

// The absolute folders of the search path, then the administrator's. Empty and relative
// entries stand for the working folder, from which nothing is started.
std::vector<std::string> searchFolders() {
    const QByteArray variable = qgetenv("PATH");
    const QString path = QString::fromLocal8Bit(variable.isEmpty() ? QByteArray(kDefaultSearchPath) : variable);
    std::vector<std::string> folders;
    const auto add = [&folders](const std::string& folder) {
        if (std::find(folders.begin(), folders.end(), folder) == folders.end()) folders.push_back(folder);
    };
    for (const QString& entry : path.split(QLatin1Char(':'), Qt::SkipEmptyParts))
        if (QDir::isAbsolutePath(entry)) add(entry.toStdString());
    for (const char* folder : kAdministratorFolders) add(folder);
    return folders;
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
            if (QFileInfo(QString::fromStdString(path)).isFile() && ::access(path.c_str(), X_OK) == 0) return path;
        }
    }
    return {};
}

void StartSystemInformation(const std::function<void(const std::string&)>& message) {
    const std::string tool = findSystemInformationTool(systemInformationCandidates(), searchFolders());
    if (tool.empty() || !QProcess::startDetached(QString::fromStdString(tool))) message(kSystemInformationUnavailable);
}

#endif

}  // namespace qorv
