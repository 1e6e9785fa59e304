// The Winbond hardware-monitor register programme, written once for every Winbond kind:
// start-up, readings (fans, temperatures, voltages), fan divisors and PWM duty. The kinds
// differ only in how a register is reached and in which PWM registers they drive.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "monitor_chip.h"
#include "register_access.h"

namespace qvnhwm {

// A PWM duty register the kind accepts and the fan (1..3) whose divisor SetFanPWM
// programs with it; fan 0 means duty only.
struct PwmPairing {
    uint8_t pwmRegister;
    int fan;
};

class WinbondChip : public MonitorChip {
public:
    int32_t Init() override;
    int32_t GetSensorValue(int32_t bank, int32_t reg, int32_t multiplier, int32_t offset, int32_t resultScale,
                           int32_t offsetScale, double& value) override;
    int32_t SetFanPWM(int32_t pwmRegister, int32_t exponent, int32_t duty) override;
    int32_t SetFanPWM2(int32_t pwmRegister, int32_t countRegister, int32_t exponent, int32_t duty) override;
    int32_t GetFanDuty(int32_t pwmRegister, uint8_t& duty) override;

    uint8_t diodeBits() const { return diodeBits_; }
    uint8_t adcClock() const { return adcClock_; }

protected:
    WinbondChip(ChipKind kind, DriverChannel& channel, std::span<const PwmPairing> pwmTable)
        : MonitorChip(kind, channel), pwmTable_(pwmTable) {}

    virtual RegisterAccess& registers() = 0;
    // The <DIODE> and <CLK> settings every Winbond kind has.
    bool configureCommon(std::string_view line);

private:
    // Read-modify-write of 0x4E: bits 2-0 become the bank, every other bit is kept.
    bool selectBank(uint8_t bank);
    bool modifyRegister(uint8_t reg, uint8_t mask, uint8_t bits);
    bool programFanDivisor(int fan, uint8_t exponent);
    const PwmPairing* findPwm(uint8_t pwmRegister) const;

    uint8_t diodeBits_ = 0x30;
    uint8_t adcClock_ = 0;
    std::span<const PwmPairing> pwmTable_;
};

}  // namespace qvnhwm
