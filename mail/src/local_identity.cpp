#include "local_identity.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <random>

#if defined(_WIN32)
#  include <windows.h>
#  include <process.h>
#else
#  include <unistd.h>

#  include <climits>
#endif

namespace qvnmail {

namespace {

constexpr const char* kFallbackProgram = "qvnmail";
constexpr const char* kFallbackHost = "localhost";

bool isPlain(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-'; }

// Keeps letters, digits, '-' and single inner dots, which both a mailbox's local part
// and a host name accept; '_' only where a local part is meant.
std::string plainName(const std::string& raw, bool underscore) {
    std::string out;
    for (char c : raw) {
        if (isPlain(c) || (underscore && c == '_')) {
            out += c;
        } else if (c == '.' && !out.empty() && out.back() != '.') {
            out += c;
        }
    }
    while (!out.empty() && out.back() == '.') out.pop_back();
    return out;
}

std::string executablePath() {
#if defined(_WIN32)
    char path[MAX_PATH];
    const DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    return n > 0 && n < MAX_PATH ? std::string(path, n) : std::string();
#else
    char path[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", path, sizeof path);
    return n > 0 ? std::string(path, std::size_t(n)) : std::string();
#endif
}

}  // namespace

std::string programName() {
    std::string name = executablePath();
    const auto slash = name.find_last_of("/\\");
    if (slash != std::string::npos) name.erase(0, slash + 1);
    const auto dot = name.rfind('.');
    if (dot != std::string::npos && dot > 0) name.erase(dot);
    name = plainName(name, true);
    return name.empty() ? kFallbackProgram : name;
}

std::string hostName() {
#if defined(_WIN32)
    char raw[256];
    DWORD size = sizeof raw;
    const std::string name = GetComputerNameExA(ComputerNameDnsHostname, raw, &size) ? plainName(raw, false) : "";
#else
    char raw[256] = {};
    const std::string name = ::gethostname(raw, sizeof raw - 1) == 0 ? plainName(raw, false) : "";
#endif
    return name.empty() ? kFallbackHost : name;
}

std::string newMessageId(const std::string& host) {
    static std::atomic<unsigned> counter{0};
    static thread_local std::mt19937_64 random{std::random_device{}()};
    const auto now =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::system_clock::now().time_since_epoch())
            .count();
#if defined(_WIN32)
    const long pid = long(_getpid());
#else
    const long pid = long(::getpid());
#endif
    char id[96];
    std::snprintf(id, sizeof id, "%lld.%ld.%u.%016llx", static_cast<long long>(now), pid, counter++,
                  static_cast<unsigned long long>(random()));
    return id + std::string("@") + host;
}

}  // namespace qvnmail
