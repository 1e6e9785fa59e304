#include "system_exit.h"

#include <utility>

#include "alarm.h"

namespace qorv {

namespace {

// The only two requests an alarm makes, and the login manager's method for each.
struct ExitAction {
    uint32_t flags;
    const char* logindMethod;
};
constexpr ExitAction kExitActions[] = {
    {kPowerOffFlags, "PowerOff"},
    {kRebootFlags, "Reboot"},
};

const char* logindMethodFor(uint32_t flags) {
    for (const ExitAction& a : kExitActions)
        if (a.flags == flags) return a.logindMethod;
    return nullptr;
}

}  // namespace

SystemExit::SystemExit(MessageSink message, Reporter report, std::string busAddress)
    : message_(std::move(message)), report_(std::move(report)), busAddress_(std::move(busAddress)) {}

bool SystemExit::ExitSystem(uint32_t flags) {
    const char* action = logindMethodFor(flags);
    if (!action) {
        refuse("flags " + std::to_string(flags) + " ask for neither power-off nor restart");
        return false;
    }
    return request(action, flags);
}

void SystemExit::refuse(const std::string& why) {
    if (report_) report_("the system exit was refused: " + why);
    if (message_) message_(kExitRefusedMessage);
}

}  // namespace qorv
