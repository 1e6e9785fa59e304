#include "sim_clock.h"

#include <thread>

namespace qvnbdrv::sim {

Sleeper realSleeper() {
    return [](std::chrono::duration<double, std::milli> wait) { std::this_thread::sleep_for(wait); };
}

}  // namespace qvnbdrv::sim
