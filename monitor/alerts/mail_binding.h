// The mail library bound by name, as a separately shipped library is: loaded with its
// five functions at the first call and kept loaded. A library that cannot be loaded, or
// lacks any of the five, is reported once by name and then left alone: no partial
// message can go out through it.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "shared_library.h"

namespace qorv {

class MailBinding {
public:
    using Reporter = std::function<void(const std::string&)>;

    // name: the library's file name, found through the program's own search path.
    explicit MailBinding(Reporter report, std::string name = defaultName());
    MailBinding(const MailBinding&) = delete;
    MailBinding& operator=(const MailBinding&) = delete;

    static std::string defaultName();

    // Loads the library if need be; false when it cannot be used.
    bool available();

    // Each does nothing when the library cannot be used; MailSend then answers 0.
    void MailRelease();
    void MailInit();
    void MailTextAddLine(const char* line);
    void MailSetReceiver(const char* receiver);
    int32_t MailSend(const char* server);

private:
    enum Function { kRelease, kInit, kAddLine, kSetReceiver, kSend, kFunctionCount };

    Reporter report_;
    std::string name_;
    bool tried_ = false;
    bool usable_ = false;
    SharedLibrary library_;
    void* functions_[kFunctionCount] = {};
};

}  // namespace qorv
