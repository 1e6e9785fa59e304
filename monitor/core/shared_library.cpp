#include "shared_library.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace qorv {

std::string SharedLibrary::fileName(const std::string& base) {
#if defined(_WIN32)
    return base + ".dll";
#else
    return "lib" + base + ".so";
#endif
}

bool SharedLibrary::open(const std::string& name, std::string& error) {
    close();
#if defined(_WIN32)
    handle_ = reinterpret_cast<void*>(LoadLibraryA(name.c_str()));
    if (!handle_) error = "error " + std::to_string(GetLastError());
#else
    handle_ = ::dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle_) error = ::dlerror();
#endif
    return handle_ != nullptr;
}

void* SharedLibrary::symbol(const char* name) const {
    if (!handle_) return nullptr;
#if defined(_WIN32)
    return reinterpret_cast<void*>(GetProcAddress(reinterpret_cast<HMODULE>(handle_), name));
#else
    return ::dlsym(handle_, name);
#endif
}

void SharedLibrary::close() {
    if (!handle_) return;
#if defined(_WIN32)
    FreeLibrary(reinterpret_cast<HMODULE>(handle_));
#else
    ::dlclose(handle_);
#endif
    handle_ = nullptr;
}

}  // namespace qorv
