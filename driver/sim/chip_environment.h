// What the world does to one chip's inputs over time: every voltage, temperature and fan
// speed wanders a little around its nominal value, and the scenario's faults for this chip
// (a stalled fan, a temperature ramp) override that.
#pragma once

#include <cstdint>
#include <vector>

#include "scenario.h"

namespace qvnbdrv::sim {

class ChipEnvironment {
public:
    // Quantities are told apart by a number the emulator picks (a channel, a register);
    // the seed makes one chip's drift differ from another's.
    ChipEnvironment(uint64_t seed, std::vector<FanStall> stalls, std::vector<TemperatureRamp> ramps);
    ChipEnvironment() : ChipEnvironment(1, {}, {}) {}

    // Within ±kVoltageDrift of nominal: supplies are regulated, and a board file's ±10 %
    // thresholds must never trip on drift alone.
    double voltage(int input, double nominal, double seconds) const;
    // A slow load curve within ±kTemperatureSwing degrees, or the scenario's ramp once it
    // has started.
    double temperature(int sensor, double nominal, double seconds) const;
    // The speed the fan would turn at, wandering within ±kFanDrift; 0 once stalled.
    double fanSpeed(int fan, double speed, double seconds) const;

    static constexpr double kVoltageDrift = 0.008;
    static constexpr double kTemperatureSwing = 2.5;
    static constexpr double kFanDrift = 0.015;

private:
    uint64_t seed_;
    std::vector<FanStall> stalls_;
    std::vector<TemperatureRamp> ramps_;
};

}  // namespace qvnbdrv::sim
