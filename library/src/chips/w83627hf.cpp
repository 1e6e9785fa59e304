#include "w83627hf.h"

namespace qvnhwm {

// PWM 1 (0x5A) with fan 1, PWM 2 (0x5B) with fan 2; the chip has no further PWM outputs.
const PwmPairing kW83627hfPwm[2] = {
    {0x5A, 1},
    {0x5B, 2},
};

W83627HF::W83627HF(DriverChannel& channel)
    : WinbondChip(kKind, channel, kW83627hfPwm), access_(channel, kDefaultSlaveAddress) {}

bool W83627HF::configure(std::string_view line) {
    if (const std::optional<uint32_t> address = addressIn(line)) {
        access_.setSlaveAddress(uint8_t(*address));
        return true;
    }
    return configureCommon(line);
}

}  // namespace qvnhwm
