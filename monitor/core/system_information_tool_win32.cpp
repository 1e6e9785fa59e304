#include <windows.h>

#include "system_information_tool.h"

namespace qorv {

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

bool isFile(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

// The first key, when it reads, decides: its program is started or nothing is. The
// shared-tools folder is asked only when the first key cannot be read.
std::string systemInformationProgram() {
    std::string path;
    if (ReadRegistryText(HKEY_LOCAL_MACHINE, kMsinfoKey, kMsinfoValue, path)) return path;
    if (ReadRegistryText(HKEY_LOCAL_MACHINE, kSharedToolsKey, kSharedToolsValue, path)) {
        const std::string program = path + kMsinfoProgram;
        if (isFile(program)) return program;
    }
    return {};
}

}  // namespace qorv
