// Shared libraries through the dynamic linker, on Linux.
#include "shared_library.h"

#include <dlfcn.h>

namespace qorv {

std::string SharedLibrary::fileName(const std::string& base) { return "lib" + base + ".so"; }

bool SharedLibrary::open(const std::string& name, std::string& error) {
    close();
    handle_ = ::dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle_) error = ::dlerror();
    return handle_ != nullptr;
}

void* SharedLibrary::symbol(const char* name) const { return handle_ ? ::dlsym(handle_, name) : nullptr; }

void SharedLibrary::close() {
    if (!handle_) return;
    ::dlclose(handle_);
    handle_ = nullptr;
}

}  // namespace qorv
