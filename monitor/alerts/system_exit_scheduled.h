// The system exit of a service without a window: instead of the window's 15.3-second
// countdown, the login manager's scheduled shutdown with the same delay. logind warns the
// logged-in users, and an administrator cancels it with `shutdown -c`; the machine never
// stops at once. Over the system bus with sd-bus (DBUS_SYSTEM_BUS_ADDRESS names another).
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <utility>

#include "countdown.h"

namespace qorv {

// The window's countdown runs out on its 51st tick of 300 ms.
inline constexpr std::chrono::milliseconds kScheduledShutdownDelay{51 * kCountdownTickMs};

struct ScheduledExit {
    bool ok = false;
    std::string type;   // "poweroff" or "reboot", as logind names them
    uint64_t usec = 0;  // when, in CLOCK_REALTIME microseconds
    std::string error;  // why it was not scheduled
};

class ScheduledShutdown {
public:
    // busAddress: where the login manager is reached; empty for the system bus.
    explicit ScheduledShutdown(std::string busAddress = {}) : busAddress_(std::move(busAddress)) {}

    // flags: 13 to power off, 6 to restart; anything else is refused without asking.
    // Always kScheduledShutdownDelay from now, never for now.
    ScheduledExit schedule(uint32_t flags);

private:
    std::string busAddress_;
};

}  // namespace qorv
