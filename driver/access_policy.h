// What the service lets a client do: only the SMBus addresses and I/O ports that the
// board's hardware description names. A root service that performs port I/O for anyone
// would be a hole in the machine.
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "board_description.h"
#include "bus.h"
#include "logger.h"

namespace qvnbdrv {

class AccessPolicy {
public:
    // A PC87366's unit blocks are where its configuration registers say; they are asked
    // through bus now and again by relearn() if the bus could not answer yet.
    AccessPolicy(const BoardDescription& board, Bus& bus, Logger& log);

    bool allowsSmbus(uint8_t address) const { return smbus_.count(address) != 0; }
    bool allowsIndexed(uint32_t indexPort) const { return indexPairs_.count(indexPort) != 0; }
    bool allowsPort(uint32_t port) const;

    // Asks the PC87366 chips whose unit blocks are still unknown once more.
    void relearn();

    std::string summary() const;

private:
    struct Superio {
        uint32_t indexPort;
        bool learned = false;
    };
    struct PortRange {
        uint32_t first;
        uint32_t count;
    };

    void learn(Superio& chip);

    Bus& bus_;
    Logger& log_;
    std::set<uint8_t> smbus_;
    std::set<uint32_t> indexPairs_;
    std::vector<PortRange> ports_;
    std::vector<Superio> superios_;
};

}  // namespace qvnbdrv
