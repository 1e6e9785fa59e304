#include "alert_tone.h"

#include <utility>

namespace qorv {

AlertTone::AlertTone(Reporter report, std::string device, std::vector<std::string> consoles)
    : report_(std::move(report)), device_(std::move(device)), consoles_(std::move(consoles)) {}

bool AlertTone::inToneRange(int32_t frequency) {
    return frequency >= kLowestToneFrequency && frequency <= kHighestToneFrequency;
}

void AlertTone::reportOnce(Notice notice, const std::string& text) {
    if (reported_ & notice) return;
    reported_ |= notice;
    if (report_) report_("alert tone: " + text);
}

}  // namespace qorv
