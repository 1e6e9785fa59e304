// A fan whose speed follows its PWM duty: stopped at duty 0, otherwise half of full
// speed plus the rest in proportion to the duty. A new duty is reached along a straight
// line over kSpinSeconds, as a real fan needs a moment to spin up or coast down.
#pragma once

#include <cstdint>

namespace qvnbdrv::sim {

class FanModel {
public:
    static constexpr double kSpinSeconds = 1.5;
    static constexpr uint8_t kFullDuty = 0xFF;

    explicit FanModel(double fullSpeed) : full_(fullSpeed), from_(fullSpeed), to_(fullSpeed) {}

    void setDuty(uint8_t duty, double seconds);
    double speed(double seconds) const;

    // The speed a fan settles at for a duty.
    double speedAt(uint8_t duty) const;

private:
    double full_;
    double from_;
    double to_;
    double since_ = 0.0;
};

}  // namespace qvnbdrv::sim
