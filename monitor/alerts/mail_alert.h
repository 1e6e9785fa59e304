// The e-mail alert: one short plain-text mail per alarm, built line by line through the
// mail library. A library that cannot be used, or a mail it could not send, is
// reported through the caller's reporter; nothing here throws and the alarm goes on.
#pragma once

#include <ctime>
#include <string>
#include <vector>

#include "mail_binding.h"

namespace qorv {

inline constexpr const char* kAlertMailSignature = "Qorvane System Monitor";

// The six lines of an alert mail sent at the given moment, the clock written as the
// user's locale writes it.
std::vector<std::string> alertMailLines(const std::string& sensorName, const std::string& alertText, std::time_t when);

class MailAlert {
public:
    using Reporter = MailBinding::Reporter;

    explicit MailAlert(Reporter report, std::string libraryName = MailBinding::defaultName());

    // Drops whatever an earlier alert left in the library and starts a new message.
    void ResetMailSession();

    // Adds the six lines, the receiver, and sends through the server. True when the server
    // took the mail.
    bool SendAlertMail(const std::string& sensorName, const std::string& alertText, const std::string& receiver,
                       const std::string& server);

private:
    Reporter report_;
    MailBinding library_;
};

}  // namespace qorv
