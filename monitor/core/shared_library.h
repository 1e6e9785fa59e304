// A shared library loaded by name through the platform's own search, which for the
// application starts in its program folder; nothing is unloaded unless asked.
#pragma once

#include <string>

namespace qorv {

// An export's address as a function of the type the caller expects: the type of the
// export's declaration in the library's public header, calling convention included.
template <typename Function>
Function asFunction(void* address) {
    return reinterpret_cast<Function>(address);
}

class SharedLibrary {
public:
    // "qvnhwm" is libqvnhwm.so here and qvnhwm.dll on Windows.
    static std::string fileName(const std::string& base);

    // False, with the system's reason in error, when the library cannot be loaded.
    bool open(const std::string& name, std::string& error);
    // The exported symbol's address, or nullptr.
    void* symbol(const char* name) const;
    void close();
    bool isOpen() const { return handle_ != nullptr; }

private:
    void* handle_ = nullptr;
};

}  // namespace qorv
