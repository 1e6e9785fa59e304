#include "hardware_description.h"

#include "board_switch.h"
#include "description_syntax.h"

namespace qvnhwm {

uint32_t ChipBlock::address() const {
    const ChipKindInfo& info = chipKind(kind);
    const std::optional<std::string>& value = setting(info.addressSetting);
    return value ? addressValue(info.access, *value) : info.defaultAddress;
}

bool ChipBlock::behindBoardSwitch() const {
    const std::optional<std::string>& board = setting(Setting::Board);
    return chipKind(kind).boardSwitched && board && syntax::parseSigned(*board) == kSwitchedBoard;
}

}  // namespace qvnhwm
