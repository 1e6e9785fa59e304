#include "w83627hf.h"

#include "../description_syntax.h"

namespace qvnhwm {

// PWM 1 (0x5A) with fan 1, PWM 2 (0x5B) with fan 2; the chip has no further PWM outputs.
const PwmPairing kW83627hfPwm[2] = {
    {0x5A, 1},
    {0x5B, 2},
};

namespace {

constexpr std::string_view kSlaveAddressTag = "<SLVADD>";

}  // namespace

W83627HF::W83627HF(DriverChannel& channel)
    : WinbondChip(kModelName, channel, kW83627hfPwm), access_(channel, kDefaultSlaveAddress) {}

bool W83627HF::configure(std::string_view line) {
    if (syntax::carriesTag(line, kSlaveAddressTag)) {
        access_.setSlaveAddress(uint8_t(syntax::parseSigned(syntax::tagValue(line, kSlaveAddressTag))));
        return true;
    }
    return configureCommon(line);
}

}  // namespace qvnhwm
