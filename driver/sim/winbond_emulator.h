// The register file of a Winbond W83782D or W83627HF hardware monitor, as reached over
// the SMBus or through the W83627HF's LPC index/data pair.
//
// Layout: registers 0x50-0x5F are banked by bits 2-0 of 0x4E; every other register is the
// same in all banks. Voltage, temperature and fan registers are measured, so writes to them
// are dropped; everything else stores what is written and powers on with the chip's reset
// value. Fan divisors: exponent bits 1-0 in 0x47 bits 5-4 (fan 1), 7-6 (fan 2) and 0x4B
// bits 7-6 (fan 3), bit 2 in 0x5D bits 5, 6, 7; every fan powers on at divisor 2.
//
// Reference wiring of a simulated board (16 mV per count):
//
//   | register    | rail / sensor                         | pin voltage | raw |
//   |-------------|---------------------------------------|-------------|-----|
//   | 0x20        | Vcore CPU1 1.50 V                     | 1.50 V      |  94 |
//   | 0x21        | Vcore CPU2 1.50 V                     | 1.50 V      |  94 |
//   | 0x22        | +3.3 V direct                         | 3.30 V      | 206 |
//   | 0x23        | +5 V through ×1.68                    | 2.976 V     | 186 |
//   | 0x24        | +12 V through ×3.80                   | 3.158 V     | 197 |
//   | 0x25        | −12 V: V = 5.14·pin − 14.91           | 0.566 V     |  35 |
//   | 0x26        | −5 V: V = 3.14·pin − 7.71             | 0.863 V     |  54 |
//   | bank 5 0x50 | 5VSB through ×1.68                    | 2.976 V     | 186 |
//   | bank 5 0x51 | VBAT 3.0 V direct                     | 3.00 V      | 188 |
//   | 0x27        | system temperature, whole °C          | 32 °C       |  32 |
//   | bank 1 0x50 | CPU1 temperature, signed °C (+0x51 bit 7 = ½ °C) | 45 °C |  |
//   | bank 2 0x50 | CPU2 temperature, signed °C (+0x51 bit 7 = ½ °C) | 47 °C |  |
//
// Fans at full duty: fan 1 (CPU1) 5000 rpm, fan 2 (CPU2) 5000 rpm, fan 3 (system) 3200 rpm.
// PWM outputs: W83782D 0x5B drives fan 1, 0x5A fan 2, 0x5E fan 3, 0x5F nothing; W83627HF
// 0x5A drives fan 1, 0x5B fan 2, and its fan 3 has no PWM and turns at full speed.
#pragma once

#include <array>
#include <cstdint>

#include "chip_environment.h"
#include "devices.h"
#include "fan_model.h"

namespace qvnbdrv::sim {

enum class WinbondModel { W83782D, W83627HF };

class WinbondEmulator final : public RegisterFile {
public:
    // serialAddress: the 7-bit SMBus address the chip reports in 0x48.
    WinbondEmulator(WinbondModel model, uint8_t serialAddress, ChipEnvironment environment);

    uint8_t read(uint8_t reg, double seconds) override;
    void write(uint8_t reg, uint8_t value, double seconds) override;

    // The counter value a fan turning at rpm gives behind divisor 2^exponent.
    static uint8_t fanCount(double rpm, int exponent);

private:
    static constexpr int kBanks = 8;
    static constexpr int kBankedRegisters = 16;

    uint8_t bank() const;
    uint8_t& banked(uint8_t bank, uint8_t reg) { return banked_[bank][reg & 0x0F]; }
    int fanExponent(int fan) const;
    // The fan (1-3) a PWM register of bank 0 drives, or 0.
    int fanOfPwm(uint8_t reg) const;
    // Measured registers of the current bank; false when reg is a stored one.
    bool measure(uint8_t reg, double seconds, uint8_t& value);
    uint8_t voltageCount(int pinMillivolts, int input, double seconds) const;
    uint8_t wholeDegrees(int sensor, double nominal, double seconds) const;

    WinbondModel model_;
    ChipEnvironment environment_;
    std::array<uint8_t, 256> common_{};
    std::array<std::array<uint8_t, kBankedRegisters>, kBanks> banked_{};
    std::array<FanModel, 3> fans_;
};

}  // namespace qvnbdrv::sim
