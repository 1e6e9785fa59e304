#include <windows.h>

#include <atomic>

#include "atomic_write.h"

namespace qorv::file_io {

namespace {

constexpr DWORD kMaxChunk = 1u << 30;  // bytes per WriteFile call, well inside its DWORD count
constexpr int kNameAttempts = 100;     // temporary names tried before the folder counts as refusing

bool fail(WriteError& error, WriteStep step, DWORD code) {
    error.step = step;
    char* text = nullptr;
    const DWORD length =
        FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, code, 0, reinterpret_cast<char*>(&text), 0, nullptr);
    error.reason = length ? std::string(text, length) : "system error " + std::to_string(code);
    if (text) LocalFree(text);
    while (!error.reason.empty() &&
           (error.reason.back() == '\n' || error.reason.back() == '\r' || error.reason.back() == '.'))
        error.reason.pop_back();
    return false;
}

// Paths are UTF-8 inside the system; Windows takes them as UTF-16.
std::wstring widePath(const std::string& path) {
    if (path.empty()) return {};
    const int length = MultiByteToWideChar(CP_UTF8, 0, path.data(), int(path.size()), nullptr, 0);
    std::wstring wide(size_t(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, path.data(), int(path.size()), wide.data(), length);
    return wide;
}

// path.XXXXXX with six characters that differ from one call and one process to the next.
std::wstring temporaryName(const std::wstring& path, unsigned attempt) {
    static std::atomic<unsigned> calls{0};
    unsigned long long seed = (unsigned long long)GetCurrentProcessId() * 0x9E3779B97F4A7C15ull ^ GetTickCount64() ^
                              (unsigned long long)(calls++) << 20 ^ attempt;
    constexpr wchar_t kLetters[] = L"abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    std::wstring name = path + L".";
    for (int i = 0; i < 6; ++i) {
        name += kLetters[seed % 62];
        seed /= 62;
    }
    return name;
}

bool writeAll(HANDLE file, std::string_view bytes) {
    while (!bytes.empty()) {
        const DWORD chunk = bytes.size() > kMaxChunk ? kMaxChunk : DWORD(bytes.size());
        DWORD written = 0;
        if (!WriteFile(file, bytes.data(), chunk, &written, nullptr)) return false;
        if (written == 0) {
            SetLastError(ERROR_WRITE_FAULT);
            return false;
        }
        bytes.remove_prefix(written);
    }
    return true;
}

}  // namespace

// Windows files carry no permission bits: mode is not used. MOVEFILE_WRITE_THROUGH returns
// only once the rename is on the disk, which on POSIX takes the folder's sync.
bool writeFileAtomically(const std::string& path, std::string_view bytes, unsigned /*mode*/, WriteError& error) {
    const std::wstring target = widePath(path);
    std::wstring temporary;
    HANDLE file = INVALID_HANDLE_VALUE;
    for (unsigned attempt = 0; attempt < kNameAttempts && file == INVALID_HANDLE_VALUE; ++attempt) {
        temporary = temporaryName(target, attempt);
        file = CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS)
            return fail(error, WriteStep::Create, GetLastError());
    }
    if (file == INVALID_HANDLE_VALUE) return fail(error, WriteStep::Create, GetLastError());

    bool ok = writeAll(file, bytes) && FlushFileBuffers(file);
    DWORD code = GetLastError();
    CloseHandle(file);
    if (ok && !MoveFileExW(temporary.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        ok = false;
        code = GetLastError();
    }
    if (!ok) {
        DeleteFileW(temporary.c_str());
        return fail(error, WriteStep::Write, code);
    }
    return true;
}

}  // namespace qorv::file_io
