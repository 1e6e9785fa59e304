#include "w83782d.h"

namespace qvnhwm {

namespace {

// On this chip 0x5B is PWM output 1 and 0x5A output 2, so each pairs with the fan input of
// its own number; output 4 (0x5F) has no fan input to program a divisor for.
constexpr PwmPairing kW83782dPwm[] = {
    {0x5A, 2},
    {0x5B, 1},
    {0x5E, 3},
    {0x5F, 0},
};

}  // namespace

W83782D::W83782D(DriverChannel& channel)
    : WinbondChip(kKind, channel, kW83782dPwm), access_(channel, kDefaultSlaveAddress) {}

bool W83782D::configure(std::string_view line) {
    if (const std::optional<uint32_t> address = addressIn(line)) {
        access_.setSlaveAddress(uint8_t(*address));
        return true;
    }
    return configureCommon(line);
}

}  // namespace qvnhwm
