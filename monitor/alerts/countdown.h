// The 15-second countdown before a shutdown or reboot: what the dialog says, and the
// progress that its 300 ms timer accumulates.
#pragma once

#include <string>

#include "sensor_table.h"

namespace qorv {

inline constexpr const char* kCountdownTitleLine = "QORVANE System Monitor Warning:";
inline constexpr const char* kCountdownCancelLine = "   CANCEL for ignore the warning.";
inline constexpr int kCountdownTickMs = 300;

// Countdown result values.
inline constexpr int16_t kCountdownProceed = 0;
inline constexpr int16_t kCountdownCancelled = -1;

struct CountdownTexts {
    std::string warning;    // which sensor crossed what
    std::string countdown;  // what happens in 15 seconds
    std::string atOnce;     // what OK does
};

// The dialog's lines for the sensor whose alarm opened it. With both flags set the
// shutdown lines are shown.
CountdownTexts countdownTexts(const std::string& boardName, const SensorSlot& sensor, const std::string& alertText);

// Progress in single precision, as the bar has always counted: 0.02 per tick, done once
// it passes 1.0, which is on the 51st tick.
class CountdownProgress {
public:
    // One timer tick; true when the countdown has run out.
    bool tick() {
        progress_ += 0.02f;
        return progress_ > 1.0f;
    }
    float value() const { return progress_; }

private:
    float progress_ = 0.0f;
};

}  // namespace qorv
