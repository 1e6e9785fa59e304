#include "pass_status.h"

namespace qorv {

ExitStatus exitStatusOf(const ReadingPass& pass) {
    if (pass.nothingRead()) return kExitNothingRead;
    return pass.failedCount() || pass.outOfRangeCount() ? kExitSomeSensors : kExitAllRead;
}

CheckState checkStateOf(const ReadingPass& pass) {
    if (pass.nothingRead()) return CheckState::kUnknown;
    if (pass.outOfRangeCount()) return CheckState::kCritical;
    return pass.failedCount() ? CheckState::kWarning : CheckState::kOk;
}

}  // namespace qorv
