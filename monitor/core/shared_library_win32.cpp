// Shared libraries through the Windows loader, which searches the program folder first.
#include "shared_library.h"

#include <windows.h>

namespace qorv {

namespace {

HMODULE asModule(void* handle) { return reinterpret_cast<HMODULE>(handle); }

}  // namespace

std::string SharedLibrary::fileName(const std::string& base) { return base + ".dll"; }

bool SharedLibrary::open(const std::string& name, std::string& error) {
    close();
    handle_ = reinterpret_cast<void*>(LoadLibraryA(name.c_str()));
    if (!handle_) error = "error " + std::to_string(GetLastError());
    return handle_ != nullptr;
}

void* SharedLibrary::symbol(const char* name) const {
    return handle_ ? reinterpret_cast<void*>(GetProcAddress(asModule(handle_), name)) : nullptr;
}

void SharedLibrary::close() {
    if (!handle_) return;
    FreeLibrary(asModule(handle_));
    handle_ = nullptr;
}

}  // namespace qorv
