// Where the simulated board learns the time. Everything that moves on the board (fan
// speeds, drift, ramps) is a function of this clock, so a test that owns the clock gets
// the same readings on every run.
#pragma once

#include <chrono>
#include <functional>

namespace qvnbdrv::sim {

using Clock = std::function<std::chrono::steady_clock::time_point()>;

inline Clock steadyClock() {
    return [] { return std::chrono::steady_clock::now(); };
}

// Waits out the wire time of one bus transaction; tests swap it for a recorder.
using Sleeper = std::function<void(std::chrono::duration<double, std::milli>)>;

Sleeper realSleeper();

}  // namespace qvnbdrv::sim
