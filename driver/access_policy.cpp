#include "access_policy.h"

#include "board_switch.h"
#include "superio.h"

namespace qvnbdrv {

namespace sio = qvnhwm::superio;

namespace {

constexpr uint32_t kPairPorts = 2;  // an index port and its data port

}  // namespace

AccessPolicy::AccessPolicy(const BoardDescription& board, Bus& bus, Logger& log)
    : bus_(bus), log_(log), hostFamily_(board.hostFamily) {
    for (const ChipDescription& chip : board.chips) {
        switch (chip.access()) {
            case ChipAccess::Smbus: smbus_.insert(uint8_t(chip.address)); break;
            case ChipAccess::IndexPair:
                monitorPairs_.emplace(chip.address, std::string(qvnhwm::kindName(chip.kind)));
                break;
            case ChipAccess::SuperIoConfig:
                superios_.push_back({chip.address,
                                     {{{sio::kFanDevice, "fan", {}},
                                       {sio::kVoltageDevice, "voltage", {}},
                                       {sio::kTemperatureDevice, "temperature", {}}}}});
                break;
        }
        if (chip.behindBoardSwitch) fixedPorts_.push_back({qvnhwm::kBoardSwitchPort, 1, "board switch"});
    }
    relearn();
}

bool AccessPolicy::learn(const Superio& chip, Unit& unit) {
    const uint32_t pair = chip.indexPort;
    uint8_t high = 0, low = 0;
    if (!bus_.writeIndexed(pair, sio::kLogicalDeviceSelect, unit.device) ||
        !bus_.readIndexed(pair, sio::kBaseHigh, high) || !bus_.readIndexed(pair, sio::kBaseLow, low)) {
        log_.once(LogLevel::Warning, "superio-unreadable-" + hex(pair, 3) + "-" + unit.name,
                  "cannot read the PC87366 configuration at " + hex(pair, 3) + "; its " + unit.name +
                      " unit stays closed until it answers");
        return false;
    }
    const uint32_t base = uint32_t(high) << 8 | low;
    // A unit block over a configuration pair would let single-port requests around the
    // register filter.
    if (!sio::isUsableUnitBase(base) || touchesConfigurationPair(base, sio::kUnitExtent)) {
        log_.once(LogLevel::Warning, "superio-unusable-" + hex(pair, 3) + "-" + unit.name + hex(base, 4),
                  "the PC87366 at " + hex(pair, 3) + " reports its " + unit.name + " unit at " + hex(base, 4) +
                      ", which is not a usable base; its ports stay closed");
        return false;
    }
    unit.base = base;
    return true;
}

void AccessPolicy::relearn() {
    for (Superio& chip : superios_) {
        std::string opened;
        for (Unit& unit : chip.units) {
            if (unit.base || !learn(chip, unit)) continue;
            opened += std::string(opened.empty() ? "" : ", ") + unit.name + " unit " + hex(*unit.base, 4);
        }
        if (!opened.empty()) log_.info("PC87366 at " + hex(chip.indexPort, 3) + ": " + opened);
    }
}

bool AccessPolicy::isConfigurationPair(uint32_t indexPort) const {
    for (const Superio& chip : superios_)
        if (chip.indexPort == indexPort) return true;
    return false;
}

bool AccessPolicy::touchesConfigurationPair(uint32_t first, uint32_t count) const {
    for (const Superio& chip : superios_)
        if (PortRange{chip.indexPort, kPairPorts, {}}.overlaps(first, count)) return true;
    return false;
}

bool AccessPolicy::allowsIndexed(uint32_t indexPort) const {
    return monitorPairs_.count(indexPort) != 0 || isConfigurationPair(indexPort);
}

bool AccessPolicy::allowsIndexedRead(uint32_t indexPort, uint8_t reg) const {
    if (isConfigurationPair(indexPort)) return reg == sio::kBaseHigh || reg == sio::kBaseLow;
    return monitorPairs_.count(indexPort) != 0;
}

bool AccessPolicy::allowsIndexedWrite(uint32_t indexPort, uint8_t reg, uint8_t value) const {
    if (isConfigurationPair(indexPort))
        return reg == sio::kLogicalDeviceSelect &&
               (value == sio::kFanDevice || value == sio::kVoltageDevice || value == sio::kTemperatureDevice);
    return monitorPairs_.count(indexPort) != 0;
}

bool AccessPolicy::allowsPort(uint32_t port) const {
    if (touchesConfigurationPair(port, 1)) return false;
    for (const PortRange& range : fixedPorts_)
        if (range.contains(port)) return true;
    for (const Superio& chip : superios_)
        for (const Unit& unit : chip.units)
            if (unit.base && PortRange{*unit.base, sio::kUnitExtent, {}}.contains(port)) return true;
    return false;
}

std::vector<PortRange> AccessPolicy::portRanges() const {
    std::vector<PortRange> ranges;
    for (const auto& [p, kind] : monitorPairs_) ranges.push_back({p, kPairPorts, kind + " index/data pair"});
    for (const Superio& chip : superios_) {
        const std::string chipName = "PC87366 at " + hex(chip.indexPort, 3);
        ranges.push_back({chip.indexPort, kPairPorts, chipName + " configuration pair"});
        for (const Unit& unit : chip.units)
            if (unit.base) ranges.push_back({*unit.base, sio::kUnitExtent, chipName + " " + unit.name + " unit"});
    }
    ranges.insert(ranges.end(), fixedPorts_.begin(), fixedPorts_.end());
    return ranges;
}

std::string AccessPolicy::summary() const {
    std::string s = "permitting SMBus addresses";
    for (uint8_t a : smbus_) s += " " + hex(a);
    if (smbus_.empty()) s += " none";
    s += "; host family " + std::to_string(hostFamily_) + "; index/data pairs";
    for (const auto& pair : monitorPairs_) s += " " + hex(pair.first, 3) + "/" + hex(pair.first + 1, 3);
    for (const Superio& chip : superios_)
        s += " " + hex(chip.indexPort, 3) + "/" + hex(chip.indexPort + 1, 3) + " (configuration: monitor devices only)";
    if (monitorPairs_.empty() && superios_.empty()) s += " none";
    s += "; ports";
    std::vector<PortRange> single = fixedPorts_;
    for (const Superio& chip : superios_)
        for (const Unit& unit : chip.units)
            if (unit.base) single.push_back({*unit.base, sio::kUnitExtent, {}});
    for (const PortRange& r : single)
        s += r.count == 1 ? " " + hex(r.first, 3) : " " + hex(r.first, 4) + "-" + hex(r.first + r.count - 1, 4);
    if (single.empty()) s += " none";
    return s;
}

}  // namespace qvnbdrv
