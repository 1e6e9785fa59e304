// What the window asks of the system beyond the core: the alarm's system actions (alert
// tones and mails, the system exit, the end of the process), message boxes, the
// system-information tool and the log. The application gives the real ones; tests give
// recorders.
#pragma once

#include <string>

#include "alarm.h"

namespace qorv {

inline constexpr const char* kApplicationTitle = "Qorvane System Monitor";

class Platform : public SystemActions {
public:
    // A message box with the application's title and one OK button; returns when closed.
    virtual void message(const std::string& text) = 0;
    virtual void startSystemInformation() = 0;
    // A problem for the log (stderr, which the desktop session keeps).
    virtual void log(const std::string& text) = 0;
    // Whether the desktop has a notification area now (one can appear or go at any time).
    virtual bool notificationAreaAvailable() const = 0;
};

}  // namespace qorv
