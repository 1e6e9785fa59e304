#include "system_exit_scheduled.h"

#include <systemd/sd-bus.h>
#include <time.h>

#include <cstring>
#include <memory>

#include "alarm.h"

namespace qorv {

namespace {

constexpr const char* kLogindService = "org.freedesktop.login1";
constexpr const char* kLogindPath = "/org/freedesktop/login1";
constexpr const char* kLogindManager = "org.freedesktop.login1.Manager";

struct BusUnref {
    void operator()(sd_bus* bus) const { sd_bus_flush_close_unref(bus); }
};
using Bus = std::unique_ptr<sd_bus, BusUnref>;

// The system bus, or the bus at address as a client of it; the error when there is none.
Bus connect(const std::string& address, std::string& error) {
    sd_bus* bus = nullptr;
    int r;
    if (address.empty()) {
        r = sd_bus_open_system(&bus);
    } else {
        r = sd_bus_new(&bus);
        if (r >= 0) r = sd_bus_set_address(bus, address.c_str());
        if (r >= 0) r = sd_bus_set_bus_client(bus, 1);
        if (r >= 0) r = sd_bus_start(bus);
    }
    if (r < 0) {
        error = std::string("no bus to reach the login manager: ") + std::strerror(-r);
        sd_bus_unref(bus);
        return nullptr;
    }
    return Bus(bus);
}

uint64_t realtimeMicroseconds() {
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    return uint64_t(now.tv_sec) * 1000000u + uint64_t(now.tv_nsec) / 1000u;
}

}  // namespace

ScheduledExit ScheduledShutdown::schedule(uint32_t flags) {
    ScheduledExit result;
    if (flags == uint32_t(kPowerOffFlags)) {
        result.type = "poweroff";
    } else if (flags == uint32_t(kRebootFlags)) {
        result.type = "reboot";
    } else {
        result.error = "flags " + std::to_string(flags) + " ask for neither power-off nor restart";
        return result;
    }
    const Bus bus = connect(busAddress_, result.error);
    if (!bus) return result;
    result.usec = realtimeMicroseconds() + uint64_t(std::chrono::microseconds(kScheduledShutdownDelay).count());
    sd_bus_error error = SD_BUS_ERROR_NULL;
    // Not interactive: nobody may be there to authenticate, and the call must not wait for them.
    const int r = sd_bus_call_method(bus.get(), kLogindService, kLogindPath, kLogindManager, "ScheduleShutdown", &error,
                                     nullptr, "st", result.type.c_str(), result.usec);
    if (r >= 0) {
        result.ok = true;
    } else {
        result.error = std::string(kLogindManager) + ".ScheduleShutdown: " +
                       (error.name ? std::string(error.name) + ": " + (error.message ? error.message : "")
                                   : std::string(std::strerror(-r)));
    }
    sd_bus_error_free(&error);
    return result;
}

}  // namespace qorv
