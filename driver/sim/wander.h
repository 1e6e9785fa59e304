// Slow, smooth wandering of a physical quantity: two sines whose periods and direction a
// seed picks. It starts at 0 at power-on, so a freshly started board reads its nominal
// values, and it never leaves [-1, 1]. No state: the same seed and time give the same
// value however often and in whatever order it is asked.
#pragma once

#include <cstdint>

namespace qvnbdrv::sim {

class Wander {
public:
    // Periods in seconds, each drawn from [shortestPeriod, longestPeriod].
    Wander(uint64_t seed, double shortestPeriod, double longestPeriod);

    double at(double seconds) const;

private:
    double fastOmega_;
    double slowOmega_;
    double direction_;
};

// One well-mixed seed out of a board seed and the numbers naming a quantity on it.
uint64_t mixSeed(uint64_t seed, uint64_t a, uint64_t b = 0);

}  // namespace qvnbdrv::sim
