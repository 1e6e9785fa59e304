#include "super_io_config.h"

namespace qvnbdrv::sim {

namespace {

// Written from the chip's point of view, not taken from the library's superio.h, so a wrong
// register there fails against this configuration space instead of agreeing with it.
constexpr uint8_t kRegLogicalDevice = 0x07;  // selects the device registers 0x30+ refer to
constexpr uint8_t kRegDeviceId = 0x20;       // read-only chip id
constexpr uint8_t kRegActivate = 0x30;       // bit 0: the device decodes its ports
constexpr uint8_t kRegBaseHigh = 0x60;       // I/O base, high byte
constexpr uint8_t kRegBaseLow = 0x61;        // and low byte
constexpr uint8_t kActive = 0x01;
constexpr uint8_t kNoDevice = 0xFF;  // what an undecoded register reads on the LPC bus

}  // namespace

SuperIoConfig::SuperIoConfig(uint8_t deviceId) : deviceId_(deviceId) {}

uint8_t* SuperIoConfig::deviceRegister(uint8_t device, uint8_t reg) {
    if (device >= kDevices || reg < kFirstDeviceRegister) return nullptr;
    return &devices_[device][reg - kFirstDeviceRegister];
}

const uint8_t* SuperIoConfig::deviceRegister(uint8_t device, uint8_t reg) const {
    return const_cast<SuperIoConfig*>(this)->deviceRegister(device, reg);
}

void SuperIoConfig::place(uint8_t device, uint16_t base) {
    *deviceRegister(device, kRegActivate) = kActive;
    *deviceRegister(device, kRegBaseHigh) = uint8_t(base >> 8);
    *deviceRegister(device, kRegBaseLow) = uint8_t(base);
}

uint16_t SuperIoConfig::base(uint8_t device) const {
    const uint8_t* active = deviceRegister(device, kRegActivate);
    if (!active || !(*active & kActive)) return 0;
    return uint16_t(*deviceRegister(device, kRegBaseHigh) << 8 | *deviceRegister(device, kRegBaseLow));
}

uint8_t SuperIoConfig::read(uint8_t reg, double) {
    if (reg == kRegDeviceId) return deviceId_;
    if (reg < kFirstDeviceRegister) return global_[reg];
    const uint8_t* r = deviceRegister(global_[kRegLogicalDevice], reg);
    return r ? *r : kNoDevice;
}

void SuperIoConfig::write(uint8_t reg, uint8_t value, double) {
    if (reg == kRegDeviceId) return;
    if (reg < kFirstDeviceRegister) {
        global_[reg] = value;
        return;
    }
    if (uint8_t* r = deviceRegister(global_[kRegLogicalDevice], reg)) *r = value;
}

}  // namespace qvnbdrv::sim
