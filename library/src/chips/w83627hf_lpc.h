// Winbond W83627HF wired to the LPC bus: the same silicon and programme as the SMBus
// W83627HF, its registers reached through an index/data port pair.
#pragma once

#include "winbond_chip.h"

namespace qvnhwm {

class W83627HF_2 final : public WinbondChip {
public:
    static constexpr ChipKind kKind = ChipKind::W83627HF_2;
    static constexpr uint32_t kDefaultIndexPort = chipKind(kKind).defaultAddress;

    explicit W83627HF_2(DriverChannel& channel);
    bool configure(std::string_view line) override;
    uint32_t indexPort() const { return access_.indexPort(); }

protected:
    RegisterAccess& registers() override { return access_; }

private:
    IndexPortRegisterAccess access_;
};

}  // namespace qvnhwm
