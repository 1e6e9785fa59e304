// What each chip kind of a board file can be asked for: the channels it measures on the
// reference wiring of the simulated board, which of them are fans, and the PWM registers
// it accepts as a fan's FanControl.
#pragma once

#include <cstdint>

#include "chip_kinds.h"

namespace qorv::board_check {

bool measuresFan(qvnhwm::ChipKind kind, int channel);
// A voltage or temperature channel; bank counts where the chip banks its registers.
bool measuresValue(qvnhwm::ChipKind kind, int bank, int channel);
bool acceptsPwm(qvnhwm::ChipKind kind, int pwmRegister);

}  // namespace qorv::board_check
