#include "mail_alert.h"

#include <exception>

#include "local_time_text.h"

namespace qorv {

std::vector<std::string> alertMailLines(const std::string& sensorName, const std::string& alertText, std::time_t when) {
    const std::tm local = localCalendarTime(when);
    return {
        " ",
        "  Hey! Alert!",
        "  The alert information is from " + sensorName + " for the reading is " + alertText,
        "  Send out at " + localTimeText(local) + " " + localShortDateText(local),
        " ",
        kAlertMailSignature,
    };
}

MailAlert::MailAlert(Reporter report, std::string libraryName)
    : report_(report), library_(std::move(report), std::move(libraryName)) {}

void MailAlert::ResetMailSession() {
    library_.MailRelease();
    library_.MailInit();
}

bool MailAlert::SendAlertMail(const std::string& sensorName, const std::string& alertText, const std::string& receiver,
                              const std::string& server) {
    // A library that cannot be used was reported when it was first needed.
    if (!library_.available()) return false;
    try {
        for (const std::string& line : alertMailLines(sensorName, alertText, std::time(nullptr)))
            library_.MailTextAddLine(line.c_str());
        library_.MailSetReceiver(receiver.c_str());
        if (library_.MailSend(server.c_str()) != 0) return true;
        if (report_)
            report_("the alert mail for " + sensorName + " to " + receiver + " through " + server + " was not sent");
    } catch (const std::exception& e) {
        if (report_) report_(std::string("the alert mail for ") + sensorName + " was left out: " + e.what());
    }
    return false;
}

}  // namespace qorv
