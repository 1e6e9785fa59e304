#include "fan_model.h"

#include <algorithm>

namespace qvnbdrv::sim {

namespace {

// Server fans are built to keep air moving: even the lowest non-zero duty turns them at
// half their full speed.
constexpr double kLeastShare = 0.50;

}  // namespace

double FanModel::speedAt(uint8_t duty) const {
    if (duty == 0) return 0.0;
    return full_ * (kLeastShare + (1.0 - kLeastShare) * duty / double(kFullDuty));
}

void FanModel::setDuty(uint8_t duty, double seconds) {
    from_ = speed(seconds);
    to_ = speedAt(duty);
    since_ = seconds;
}

double FanModel::speed(double seconds) const {
    const double progress = std::clamp((seconds - since_) / kSpinSeconds, 0.0, 1.0);
    return from_ + (to_ - from_) * progress;
}

}  // namespace qvnbdrv::sim
