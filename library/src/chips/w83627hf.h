// Winbond W83627HF on the SMBus: PWM registers 0x5A (fan 1) and 0x5B (fan 2).
#pragma once

#include "winbond_chip.h"

namespace qvnhwm {

// The PWM registers of the W83627HF, shared with its index-port wiring.
extern const PwmPairing kW83627hfPwm[2];

class W83627HF final : public WinbondChip {
public:
    static constexpr ChipKind kKind = ChipKind::W83627HF;
    static constexpr auto kDefaultSlaveAddress = uint8_t(chipKind(kKind).defaultAddress);

    explicit W83627HF(DriverChannel& channel);
    bool configure(std::string_view line) override;
    uint8_t slaveAddress() const { return access_.slaveAddress(); }

protected:
    RegisterAccess& registers() override { return access_; }

private:
    SmbusRegisterAccess access_;
};

}  // namespace qvnhwm
