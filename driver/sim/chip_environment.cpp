#include "chip_environment.h"

#include "wander.h"

namespace qvnbdrv::sim {

namespace {

// Kinds of quantity, so voltage input 1 and fan 1 wander independently.
enum Quantity : uint64_t { kVoltage = 1, kTemperature = 2, kFan = 3 };

// Rails move over minutes, loads over several minutes, fans a little faster with airflow.
constexpr double kVoltagePeriods[] = {60.0, 240.0};
constexpr double kTemperaturePeriods[] = {240.0, 900.0};
constexpr double kFanPeriods[] = {20.0, 90.0};

}  // namespace

ChipEnvironment::ChipEnvironment(uint64_t seed, std::vector<FanStall> stalls, std::vector<TemperatureRamp> ramps)
    : seed_(seed), stalls_(std::move(stalls)), ramps_(std::move(ramps)) {}

double ChipEnvironment::voltage(int input, double nominal, double seconds) const {
    const Wander w(mixSeed(seed_, kVoltage, uint64_t(input)), kVoltagePeriods[0], kVoltagePeriods[1]);
    return nominal * (1.0 + kVoltageDrift * w.at(seconds));
}

double ChipEnvironment::temperature(int sensor, double nominal, double seconds) const {
    // The latest ramp that has begun wins, so a scenario can chain a heating and a cooling.
    const TemperatureRamp* active = nullptr;
    for (const TemperatureRamp& r : ramps_)
        if (r.sensor == sensor && seconds >= r.startSeconds) active = &r;
    if (active) return active->at(seconds);
    const Wander w(mixSeed(seed_, kTemperature, uint64_t(sensor)), kTemperaturePeriods[0], kTemperaturePeriods[1]);
    return nominal + kTemperatureSwing * w.at(seconds);
}

double ChipEnvironment::fanSpeed(int fan, double speed, double seconds) const {
    for (const FanStall& s : stalls_)
        if (s.fan == fan && seconds >= s.afterSeconds) return 0.0;
    const Wander w(mixSeed(seed_, kFan, uint64_t(fan)), kFanPeriods[0], kFanPeriods[1]);
    return speed * (1.0 + kFanDrift * w.at(seconds));
}

}  // namespace qvnbdrv::sim
