// What the window asks of the system beyond the core: alert tones and mails, the system
// exit, the end of the process, message boxes and the system-information tool. The
// application gives the real ones; tests give recorders.
#pragma once

#include <cstdint>
#include <string>

namespace qorv {

inline constexpr const char* kApplicationTitle = "Qorvane System Monitor";

class Platform {
public:
    virtual ~Platform() = default;
    virtual void tone(int32_t frequency, int32_t duration) = 0;
    virtual void sendAlertMail(const std::string& sensorName, const std::string& alertText,
                               const std::string& receiver, const std::string& server) = 0;
    virtual void exitSystem(int flags) = 0;
    // Ends the process at once: no close events, no further window events.
    virtual void endProcess(int code) = 0;
    // A message box with the application's title and one OK button; returns when closed.
    virtual void message(const std::string& text) = 0;
    virtual void startSystemInformation() = 0;
    // A problem for the log (stderr, which the desktop session keeps).
    virtual void log(const std::string& text) = 0;
};

}  // namespace qorv
