#include "wander.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace qvnbdrv::sim {

namespace {

// splitmix64: a full-avalanche step, so neighbouring seeds give unrelated wanderings.
uint64_t splitmix(uint64_t& state) {
    uint64_t z = (state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

// A uniform number in [0, 1) from the top 53 bits: the same on every platform, which the
// standard distributions do not promise.
double unit(uint64_t& state) { return double(splitmix(state) >> 11) * 0x1.0p-53; }

// The larger sine dominates; the weights add up to 1 so the sum stays within [-1, 1].
constexpr double kFastWeight = 0.4;
constexpr double kSlowWeight = 0.6;

}  // namespace

Wander::Wander(uint64_t seed, double shortestPeriod, double longestPeriod) {
    uint64_t state = seed;
    const double span = longestPeriod - shortestPeriod;
    const double fastPeriod = shortestPeriod + span * unit(state);
    const double slowPeriod = shortestPeriod + span * unit(state);
    fastOmega_ = 2 * std::numbers::pi / std::min(fastPeriod, slowPeriod);
    slowOmega_ = 2 * std::numbers::pi / std::max(fastPeriod, slowPeriod);
    direction_ = (splitmix(state) & 1) ? 1.0 : -1.0;
}

double Wander::at(double seconds) const {
    return direction_ * (kSlowWeight * std::sin(slowOmega_ * seconds) + kFastWeight * std::sin(fastOmega_ * seconds));
}

uint64_t mixSeed(uint64_t seed, uint64_t a, uint64_t b) {
    uint64_t state = seed;
    state = splitmix(state) ^ a;
    state = splitmix(state) ^ b;
    return splitmix(state);
}

}  // namespace qvnbdrv::sim
