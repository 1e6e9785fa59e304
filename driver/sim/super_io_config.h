// The configuration space of a Super-I/O chip behind its index/data pair: register 0x07
// selects a logical device, registers from 0x30 up belong to the selected device (0x30
// activation, 0x60/0x61 its I/O base), registers below 0x30 are global. The device id is
// read-only; everything else stores what is written, as a BIOS would program it.
#pragma once

#include <array>
#include <cstdint>

#include "devices.h"

namespace qvnbdrv::sim {

class SuperIoConfig final : public RegisterFile {
public:
    explicit SuperIoConfig(uint8_t deviceId);

    // Power-on state of a logical device: active, at this I/O base.
    void place(uint8_t device, uint16_t base);
    // Where the device's port block currently is; 0 when none is assigned.
    uint16_t base(uint8_t device) const;

    uint8_t read(uint8_t reg, double seconds) override;
    void write(uint8_t reg, uint8_t value, double seconds) override;

private:
    static constexpr int kDevices = 16;
    static constexpr int kFirstDeviceRegister = 0x30;

    // The selected device's register, or nullptr when no such device exists.
    uint8_t* deviceRegister(uint8_t device, uint8_t reg);
    const uint8_t* deviceRegister(uint8_t device, uint8_t reg) const;

    uint8_t deviceId_;
    std::array<uint8_t, kFirstDeviceRegister> global_{};
    std::array<std::array<uint8_t, 256 - kFirstDeviceRegister>, kDevices> devices_{};
};

}  // namespace qvnbdrv::sim
