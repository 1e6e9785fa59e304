#include "mail_binding.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace qorv {

namespace {

#if defined(_WIN32)
#define QORV_CALL __stdcall
#else
#define QORV_CALL
#endif

using ReleaseFn = void(QORV_CALL*)();
using InitFn = void(QORV_CALL*)();
using AddLineFn = void(QORV_CALL*)(const char*);
using SetReceiverFn = void(QORV_CALL*)(const char*);
using SendFn = int32_t(QORV_CALL*)(const char*);

constexpr const char* kFunctionNames[] = {"MailRelease", "MailInit", "MailTextAddLine", "MailSetReceiver",
                                          "MailSend"};

void* openLibrary(const std::string& name, std::string& error) {
#if defined(_WIN32)
    HMODULE h = LoadLibraryA(name.c_str());
    if (!h) error = "error " + std::to_string(GetLastError());
    return reinterpret_cast<void*>(h);
#else
    void* h = ::dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!h) error = ::dlerror();
    return h;
#endif
}

void* findSymbol(void* handle, const char* name) {
#if defined(_WIN32)
    return reinterpret_cast<void*>(GetProcAddress(reinterpret_cast<HMODULE>(handle), name));
#else
    return ::dlsym(handle, name);
#endif
}

void closeLibrary(void* handle) {
#if defined(_WIN32)
    FreeLibrary(reinterpret_cast<HMODULE>(handle));
#else
    ::dlclose(handle);
#endif
}

template <typename Fn>
Fn as(void* address) {
    return reinterpret_cast<Fn>(address);
}

}  // namespace

std::string MailBinding::defaultName() {
#if defined(_WIN32)
    return "qvnmail.dll";
#else
    return "libqvnmail.so";
#endif
}

MailBinding::MailBinding(Reporter report, std::string name) : report_(std::move(report)), name_(std::move(name)) {}

// The library is never unloaded: it keeps process-wide state (its SMTP client's
// set-up) that is meant to live as long as the process.
bool MailBinding::available() {
    if (tried_) return usable_;
    tried_ = true;
    std::string error;
    void* handle = openLibrary(name_, error);
    if (!handle) {
        if (report_) report_("cannot load the mail library " + name_ + ": " + error + "; alert mails are left out");
        return false;
    }
    std::string missing;
    for (int i = 0; i < kFunctionCount; ++i) {
        functions_[i] = findSymbol(handle, kFunctionNames[i]);
        if (!functions_[i]) missing += std::string(missing.empty() ? "" : ", ") + kFunctionNames[i];
    }
    if (!missing.empty()) {
        closeLibrary(handle);
        if (report_)
            report_("the mail library " + name_ + " has no function " + missing + "; alert mails are left out");
        return false;
    }
    usable_ = true;
    return true;
}

void MailBinding::MailRelease() {
    if (available()) as<ReleaseFn>(functions_[kRelease])();
}

void MailBinding::MailInit() {
    if (available()) as<InitFn>(functions_[kInit])();
}

void MailBinding::MailTextAddLine(const char* line) {
    if (available()) as<AddLineFn>(functions_[kAddLine])(line);
}

void MailBinding::MailSetReceiver(const char* receiver) {
    if (available()) as<SetReceiverFn>(functions_[kSetReceiver])(receiver);
}

int32_t MailBinding::MailSend(const char* server) { return available() ? as<SendFn>(functions_[kSend])(server) : 0; }

}  // namespace qorv
