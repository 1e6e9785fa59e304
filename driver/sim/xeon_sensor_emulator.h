// The thermal sensor on a processor's SMBus: a remote-diode sensor of the familiar
// two-channel kind. Read registers: 0x00 local (package board) temperature, 0x01 processor
// temperature, both signed whole degrees; 0x02 status, bit 7 busy while a conversion
// runs; 0x03 configuration; 0x04 conversion rate; 0x05-0x08 local high/low and remote
// high/low limits. Their write addresses: 0x09 configuration, 0x0A rate, 0x0B-0x0E the
// limits. A conversion starts after every temperature read and keeps status bit 7 set for
// the next kBusyReads reads of the status.
//
// Reference: processor 48 °C, local 30 °C.
#pragma once

#include <array>
#include <cstdint>

#include "chip_environment.h"
#include "devices.h"

namespace qvnbdrv::sim {

class XeonSensorEmulator final : public SmbusDevice {
public:
    static constexpr int kBusyReads = 2;

    explicit XeonSensorEmulator(ChipEnvironment environment);

    bool read(uint8_t command, uint8_t& data, double seconds) override;
    bool write(uint8_t command, uint8_t data, double seconds) override;

private:
    uint8_t degrees(int sensor, double nominal, double seconds) const;

    ChipEnvironment environment_;
    uint8_t config_ = 0;
    uint8_t rate_;
    std::array<uint8_t, 4> limits_;
    int busyReads_ = kBusyReads;  // a conversion is under way at power-on
};

}  // namespace qvnbdrv::sim
