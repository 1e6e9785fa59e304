// The PC87366 Super-I/O numbers that the library's chip and the driver service's access
// policy must agree on: the configuration registers the library uses, its three monitor
// units, and which unit bases may ever be used.
#pragma once

#include <cstdint>

namespace qvnhwm::superio {

// Configuration registers, behind the chip's index/data pair.
inline constexpr uint8_t kLogicalDeviceSelect = 0x07;  // the logical device the rest refer to
inline constexpr uint8_t kBaseHigh = 0x60;             // I/O base of the selected device, high byte
inline constexpr uint8_t kBaseLow = 0x61;              // and low byte

// Logical devices of the three monitor units.
inline constexpr uint8_t kFanDevice = 0x09;
inline constexpr uint8_t kVoltageDevice = 0x0D;
inline constexpr uint8_t kTemperatureDevice = 0x0E;

inline constexpr uint32_t kUnitExtent = 0x10;  // ports of each monitor unit

// Ports no monitor unit may occupy: below 0x100 the DMA and interrupt controllers (where
// an unprogrammed base of 0 points), and the PCI configuration ports, which hold the
// platform reset register 0xCF9.
inline constexpr uint32_t kLowestUnitBase = 0x100;
inline constexpr uint32_t kPciConfigFirst = 0xCF8;
inline constexpr uint32_t kPciConfigCount = 8;
inline constexpr uint32_t kPortSpace = 0x10000;  // 16-bit I/O port addresses

// Whether a base the configuration registers report may be used for a unit's block.
constexpr bool isUsableUnitBase(uint32_t base) {
    if (base % kUnitExtent != 0 || base < kLowestUnitBase || base > kPortSpace - kUnitExtent) return false;
    return base + kUnitExtent <= kPciConfigFirst || base >= kPciConfigFirst + kPciConfigCount;
}

}  // namespace qvnhwm::superio
