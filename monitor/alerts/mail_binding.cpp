#include "mail_binding.h"

#include <qvnmail/qvnmail.h>

namespace qorv {

namespace {

// The functions' types as the mail library's public header declares them, so that a
// changed signature or calling convention fails this build instead of a call at run time.
using ReleaseFn = decltype(&::MailRelease);
using InitFn = decltype(&::MailInit);
using AddLineFn = decltype(&::MailTextAddLine);
using SetReceiverFn = decltype(&::MailSetReceiver);
using SendFn = decltype(&::MailSend);

constexpr const char* kFunctionNames[] = {"MailRelease", "MailInit", "MailTextAddLine", "MailSetReceiver", "MailSend"};

}  // namespace

std::string MailBinding::defaultName() { return SharedLibrary::fileName("qvnmail"); }

MailBinding::MailBinding(Reporter report, std::string name) : report_(std::move(report)), name_(std::move(name)) {}

// The library is never unloaded: it keeps process-wide state (its SMTP client's
// set-up) that is meant to live as long as the process.
bool MailBinding::available() {
    if (tried_) return usable_;
    tried_ = true;
    std::string error;
    if (!library_.open(name_, error)) {
        if (report_) report_("cannot load the mail library " + name_ + ": " + error + "; alert mails are left out");
        return false;
    }
    std::string missing;
    for (int i = 0; i < kFunctionCount; ++i) {
        functions_[i] = library_.symbol(kFunctionNames[i]);
        if (!functions_[i]) missing += std::string(missing.empty() ? "" : ", ") + kFunctionNames[i];
    }
    if (!missing.empty()) {
        library_.close();
        if (report_)
            report_("the mail library " + name_ + " has no function " + missing + "; alert mails are left out");
        return false;
    }
    usable_ = true;
    return true;
}

void MailBinding::MailRelease() {
    if (available()) asFunction<ReleaseFn>(functions_[kRelease])();
}

void MailBinding::MailInit() {
    if (available()) asFunction<InitFn>(functions_[kInit])();
}

void MailBinding::MailTextAddLine(const char* line) {
    if (available()) asFunction<AddLineFn>(functions_[kAddLine])(line);
}

void MailBinding::MailSetReceiver(const char* receiver) {
    if (available()) asFunction<SetReceiverFn>(functions_[kSetReceiver])(receiver);
}

int32_t MailBinding::MailSend(const char* server) {
    return available() ? asFunction<SendFn>(functions_[kSend])(server) : 0;
}

}  // namespace qorv
