// Winbond W83782D on the SMBus: three fans, PWM registers 0x5A, 0x5B, 0x5E, 0x5F.
#pragma once

#include "winbond_chip.h"

namespace qvnhwm {

class W83782D final : public WinbondChip {
public:
    static constexpr ChipKind kKind = ChipKind::W83782D;
    static constexpr auto kDefaultSlaveAddress = uint8_t(chipKind(kKind).defaultAddress);

    explicit W83782D(DriverChannel& channel);
    bool configure(std::string_view line) override;
    uint8_t slaveAddress() const { return access_.slaveAddress(); }

protected:
    RegisterAccess& registers() override { return access_; }

private:
    SmbusRegisterAccess access_;
};

}  // namespace qvnhwm
