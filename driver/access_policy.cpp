#include "access_policy.h"

namespace qvnbdrv {

namespace {

// PC87366 Super-I/O configuration: logical device select and the base address pair.
constexpr uint8_t kCfgLogicalDevice = 0x07;
constexpr uint8_t kCfgBaseHigh = 0x60;
constexpr uint8_t kCfgBaseLow = 0x61;
constexpr uint8_t kDeviceFan = 0x09;
constexpr uint8_t kDeviceVoltage = 0x0D;
constexpr uint8_t kDeviceTemperature = 0x0E;
constexpr uint32_t kUnitExtent = 0x10;  // ports of each monitor unit

// The board switch of the board whose processor sensors sit behind it.
constexpr uint32_t kBoardSwitchPort = 0x50F;
constexpr int32_t kSwitchedBoard = 4730;

// Below this the ports belong to the DMA and interrupt controllers: an unprogrammed
// base of 0 must never open them.
constexpr uint32_t kLowestUnitBase = 0x100;

}  // namespace

AccessPolicy::AccessPolicy(const BoardDescription& board, Bus& bus, Logger& log) : bus_(bus), log_(log) {
    for (const ChipDescription& chip : board.chips) {
        switch (chip.kind) {
            case ChipKind::W83782D:
            case ChipKind::W83627HF:
                smbus_.insert(chip.slaveAddress);
                break;
            case ChipKind::IntelXeon:
                smbus_.insert(chip.slaveAddress);
                if (chip.boardNumber == kSwitchedBoard) ports_.push_back({kBoardSwitchPort, 1});
                break;
            case ChipKind::W83627HF_2:
                indexPairs_.insert(chip.indexPort);
                break;
            case ChipKind::N87366:
                indexPairs_.insert(chip.indexPort);
                superios_.push_back({chip.indexPort});
                break;
        }
    }
    relearn();
}

void AccessPolicy::learn(Superio& chip) {
    uint32_t bases[3] = {};
    const uint8_t devices[3] = {kDeviceFan, kDeviceVoltage, kDeviceTemperature};
    for (int i = 0; i < 3; ++i) {
        uint8_t high = 0, low = 0;
        if (!bus_.writeIndexed(chip.indexPort, kCfgLogicalDevice, devices[i]) ||
            !bus_.readIndexed(chip.indexPort, kCfgBaseHigh, high) ||
            !bus_.readIndexed(chip.indexPort, kCfgBaseLow, low)) {
            log_.once(LogLevel::Warning, "superio-unreadable-" + hex(chip.indexPort, 3),
                      "cannot read the PC87366 configuration at " + hex(chip.indexPort, 3) +
                          "; its monitor ports stay closed until it answers");
            return;
        }
        bases[i] = uint32_t(high) << 8 | low;
        if (bases[i] < kLowestUnitBase) {
            log_.once(LogLevel::Warning, "superio-unset-" + hex(chip.indexPort, 3),
                      "the PC87366 at " + hex(chip.indexPort, 3) + " reports monitor unit " + hex(devices[i]) +
                          " at " + hex(bases[i], 4) + ", which is not a usable base; its ports stay closed");
            return;
        }
    }
    for (uint32_t base : bases) ports_.push_back({base, kUnitExtent});
    chip.learned = true;
    log_.info("PC87366 at " + hex(chip.indexPort, 3) + ": fan unit " + hex(bases[0], 4) + ", voltage unit " +
              hex(bases[1], 4) + ", temperature unit " + hex(bases[2], 4));
}

void AccessPolicy::relearn() {
    for (Superio& chip : superios_)
        if (!chip.learned) learn(chip);
}

bool AccessPolicy::allowsPort(uint32_t port) const {
    for (const PortRange& range : ports_)
        if (port >= range.first && port - range.first < range.count) return true;
    return false;
}

std::string AccessPolicy::summary() const {
    std::string s = "permitting SMBus addresses";
    for (uint8_t a : smbus_) s += " " + hex(a);
    if (smbus_.empty()) s += " none";
    s += "; index/data pairs";
    for (uint32_t p : indexPairs_) s += " " + hex(p, 3) + "/" + hex(p + 1, 3);
    if (indexPairs_.empty()) s += " none";
    s += "; ports";
    for (const PortRange& r : ports_)
        s += r.count == 1 ? " " + hex(r.first, 3) : " " + hex(r.first, 4) + "-" + hex(r.first + r.count - 1, 4);
    if (ports_.empty()) s += " none";
    return s;
}

}  // namespace qvnbdrv
