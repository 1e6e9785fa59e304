// What the service lets a client do: only the SMBus addresses, I/O ports and registers that
// the board's hardware description names, fixed from the description and from what the
// hardware reported, so that nothing a client sends can widen it. A root service that
// performs port I/O for anyone would be a hole in the machine.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "board_description.h"
#include "bus.h"
#include "logger.h"
#include "port_range.h"

namespace qvnbdrv {

class AccessPolicy {
public:
    // A PC87366's unit blocks are where its configuration registers say; they are asked
    // through bus now and again by relearn() for the units that are still closed.
    AccessPolicy(const BoardDescription& board, Bus& bus, Logger& log);

    bool allowsSmbus(uint8_t address) const { return smbus_.count(address) != 0; }
    // Whether indexPort starts an index/data pair of the board: a monitor chip's register
    // pair or a Super-I/O's configuration pair.
    bool allowsIndexed(uint32_t indexPort) const;
    // Whether one register access through such a pair may reach the bus: any register of a
    // monitor chip; on a configuration pair only what the library's PC87366 programme does
    // (select one of the three monitor devices, read the base registers), so no client can
    // move, activate or reach any other logical device.
    bool allowsIndexedRead(uint32_t indexPort, uint8_t reg) const;
    bool allowsIndexedWrite(uint32_t indexPort, uint8_t reg, uint8_t value) const;
    // Single ports: the board switch and the open unit blocks, never a configuration pair.
    bool allowsPort(uint32_t port) const;
    // Only the board's own SMBus host family: another would close the adapter every other
    // client reads through.
    bool allowsHostFamily(uint32_t family) const { return family == hostFamily_; }

    // Asks the PC87366 chips once more for the units still closed. Their base registers are
    // read-only to clients, so what comes back is the hardware's, never a client's.
    void relearn();

    // Every port the policy permits, index pairs as two-port ranges.
    std::vector<PortRange> portRanges() const;
    std::string summary() const;

private:
    struct Unit {
        uint8_t device;
        const char* name;
        std::optional<uint32_t> base;  // set once the unit is open; never changed after
    };
    struct Superio {
        uint32_t indexPort;
        std::array<Unit, 3> units;
    };

    // Reads one closed unit's base; true when the unit opened.
    bool learn(const Superio& chip, Unit& unit);
    bool isConfigurationPair(uint32_t indexPort) const;
    bool touchesConfigurationPair(uint32_t first, uint32_t count) const;

    Bus& bus_;
    Logger& log_;
    uint32_t hostFamily_;
    std::set<uint8_t> smbus_;
    std::map<uint32_t, std::string> monitorPairs_;  // index port, kind of the chip behind it
    std::vector<PortRange> fixedPorts_;
    std::vector<Superio> superios_;
};

}  // namespace qvnbdrv
