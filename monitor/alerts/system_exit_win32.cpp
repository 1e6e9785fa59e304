// The system exit on Windows: the shutdown privilege, then ExitWindowsEx.
#include "system_exit.h"

#include <windows.h>

namespace qorv {

namespace {

constexpr DWORD kTokenAccess = TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY;  // 0x28
// The reason code sent with every request; the system only records it.
constexpr DWORD kShutdownReason = 0xFFFFFFFF;

}  // namespace

void EnableShutdownPrivilege() {
    // No step is checked: a privilege that could not be had shows up as a refused exit.
    HANDLE token = nullptr;
    OpenProcessToken(GetCurrentProcess(), kTokenAccess, &token);
    TOKEN_PRIVILEGES wanted{};
    LookupPrivilegeValueA(nullptr, "SeShutdownPrivilege", &wanted.Privileges[0].Luid);
    wanted.PrivilegeCount = 1;
    wanted.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    TOKEN_PRIVILEGES previous{};
    DWORD previousLength = sizeof previous;
    AdjustTokenPrivileges(token, FALSE, &wanted, sizeof previous, &previous, &previousLength);
    if (token) CloseHandle(token);
}

bool SystemExit::request(const char*, uint32_t flags) {
    EnableShutdownPrivilege();
    if (ExitWindowsEx(flags, kShutdownReason) != 0) return true;
    refuse("ExitWindowsEx(" + std::to_string(flags) + ") failed with error " + std::to_string(GetLastError()));
    return false;
}

}  // namespace qorv
