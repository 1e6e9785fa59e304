// What a reading pass comes to, as qorvmon-sensors' exit status: one scheme for the text
// and JSON outputs, and the monitoring-plugin scheme for --check.
#pragma once

#include "reading_pass.h"

namespace qorv {

// Exit statuses of the text and JSON outputs (and of everything but --check).
enum ExitStatus : int {
    kExitAllRead = 0,      // every sensor read, each within its thresholds
    kExitSomeSensors = 1,  // a sensor failed to read or read outside its thresholds
    kExitUsage = 2,        // a bad command line, no board, a board or settings file it cannot use
    kExitNothingRead = 3,  // no sensor could be read; the reason went to standard error
};

// The monitoring-plugin states, which are --check's exit statuses.
enum class CheckState : int {
    kOk = 0,        // every sensor read, each within its thresholds
    kWarning = 1,   // some sensors failed to read, every one read is within its thresholds
    kCritical = 2,  // a reading outside its thresholds
    kUnknown = 3,   // nothing could be read, or a bad command line
};

ExitStatus exitStatusOf(const ReadingPass& pass);
CheckState checkStateOf(const ReadingPass& pass);

}  // namespace qorv
