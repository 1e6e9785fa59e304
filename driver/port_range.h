// A block of I/O ports the service permits, with what it belongs to for log lines
// ("W83627HF_2 index/data pair", "PC87366 fan unit").
#pragma once

#include <cstdint>
#include <string>

namespace qvnbdrv {

struct PortRange {
    uint32_t first = 0;
    uint32_t count = 0;
    std::string what;

    bool contains(uint32_t port) const { return port >= first && port - first < count; }
    bool overlaps(uint32_t otherFirst, uint32_t otherCount) const {
        return otherFirst < first + count && first < otherFirst + otherCount;
    }
};

}  // namespace qvnbdrv
