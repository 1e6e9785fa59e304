// A board's hardware description as plain data: what the board file says, before any chip
// is made of it. The library makes its chips from it; the driver service takes from it
// which addresses and ports the board's chips are reached at.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "chip_kinds.h"
#include "smbus_host.h"

namespace qvnhwm {

// One <HWM> block of a known kind: its id and the last value each setting was given.
struct ChipBlock {
    ChipKind kind;
    std::optional<std::string> id;
    std::array<std::optional<std::string>, kSettingCount> settings{};

    const std::optional<std::string>& setting(Setting s) const { return settings[size_t(s)]; }
    ChipAccess access() const { return chipKind(kind).access; }
    // The slave address (8-bit form) or index port the block's settings give, else the kind's default.
    uint32_t address() const;
    // Whether the chip sits behind the board switch: a kind routed through it, on the board that has it.
    bool behindBoardSwitch() const;
};

struct HardwareDescription {
    static constexpr size_t kMaxChips = 8;  // blocks after the eighth make no chip

    std::string boardModel;
    std::optional<std::string> southbridge;
    std::optional<SmbusHostKind> hostFamily;  // of the southbridge; nothing when it names no known one
    std::vector<ChipBlock> chips;
};

}  // namespace qvnhwm
