// The board switch: on one board the processor sensors' SMBus is routed through board port
// 0x50F, which the library programmes around every sensor access and the service permits
// on that board only.
#pragma once

#include <cstdint>

namespace qvnhwm {

inline constexpr uint32_t kBoardSwitchPort = 0x50F;  // routes the SMBus towards the processor sensors
inline constexpr int32_t kSwitchedBoard = 4730;      // the <BOARD> number of the board that has it

}  // namespace qvnhwm
