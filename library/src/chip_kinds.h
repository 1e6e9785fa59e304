// The monitor-chip kinds a hardware description may name, with how each is reached: the
// one list the parser, the library's chip factory and the driver service's access policy
// all take their kinds from. A kind is added here (and in the factory, which will not
// compile without it).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace qvnhwm {

// In the order the parser tries model names: where one name begins another, the longer
// comes first, so "W83627HF_2" is never taken for "W83627HF".
enum class ChipKind : uint8_t { W83782D, W83627HF_2, W83627HF, N87366, IntelXeon };

// The settings a chip block may give: a line that begins with the tag, the value after it.
enum class Setting : uint8_t { SlaveAddress, LpcPort, ConfigurationPort, Board, Diode, Clock };

inline constexpr std::array<std::string_view, 6> kSettingTags{
    "<SLVADD>",  // 8-bit SMBus slave address
    "<LPCADD>",  // index port of a monitor wired to the LPC bus
    "<IDXREG>",  // index port of a Super-I/O's configuration pair
    "<BOARD>",   // board number; one board routes its processor sensors through the board switch
    "<DIODE>",   // Winbond diode or thermistor bits of the temperature inputs
    "<CLK>",     // Winbond ADC clock
};
inline constexpr size_t kSettingCount = kSettingTags.size();

constexpr std::string_view settingTag(Setting setting) { return kSettingTags[size_t(setting)]; }

// How the driver reaches a chip's registers at its address.
enum class ChipAccess : uint8_t {
    Smbus,          // SMBus command bytes at an 8-bit slave address
    IndexPair,      // an index port and the data port after it
    SuperIoConfig,  // a Super-I/O configuration pair; its monitor units sit at the port
                    // blocks the pair reports (superio.h)
};

struct ChipKindInfo {
    ChipKind kind;
    std::string_view name;  // as a board file spells it, matched ignoring letter case
    ChipAccess access;
    Setting addressSetting;   // the setting that moves the chip from its default address
    uint32_t defaultAddress;  // the slave address or index port without that setting
    bool boardSwitched;       // reached through the board switch when <BOARD> names that board
};

inline constexpr std::array<ChipKindInfo, 5> kChipKinds{{
    {ChipKind::W83782D, "W83782D", ChipAccess::Smbus, Setting::SlaveAddress, 0x5C, false},
    {ChipKind::W83627HF_2, "W83627HF_2", ChipAccess::IndexPair, Setting::LpcPort, 0x295, false},
    {ChipKind::W83627HF, "W83627HF", ChipAccess::Smbus, Setting::SlaveAddress, 0x58, false},
    {ChipKind::N87366, "N87366", ChipAccess::SuperIoConfig, Setting::ConfigurationPort, 0x2E, false},
    {ChipKind::IntelXeon, "IntelXeon", ChipAccess::Smbus, Setting::SlaveAddress, 0x30, true},
}};
inline constexpr size_t kChipKindCount = kChipKinds.size();

constexpr const ChipKindInfo& chipKind(ChipKind kind) { return kChipKinds[size_t(kind)]; }
constexpr std::string_view kindName(ChipKind kind) { return chipKind(kind).name; }

namespace kinds_detail {

constexpr char lower(char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; }

constexpr bool beginsWith(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) return false;
    for (size_t i = 0; i < prefix.size(); ++i)
        if (lower(text[i]) != lower(prefix[i])) return false;
    return true;
}

constexpr bool listedInKindOrder() {
    for (size_t i = 0; i < kChipKindCount; ++i)
        if (kChipKinds[i].kind != ChipKind(i)) return false;
    return true;
}

// No name begins with a name listed before it.
constexpr bool listedInPrefixOrder() {
    for (size_t i = 0; i < kChipKindCount; ++i)
        for (size_t j = i + 1; j < kChipKindCount; ++j)
            if (beginsWith(kChipKinds[j].name, kChipKinds[i].name)) return false;
    return true;
}

}  // namespace kinds_detail

static_assert(kinds_detail::listedInKindOrder(), "kChipKinds lists each kind at the place of its enumerator");
static_assert(kinds_detail::listedInPrefixOrder(), "a kind whose name begins another's must come after it");

// The first kind, in prefix order, whose name begins model ignoring letter case; nullptr
// when model begins with no kind's name.
const ChipKindInfo* kindBegunBy(std::string_view model);

// The address a setting's value gives a chip reached this way: an SMBus slave address is
// the low eight bits of the number, a port the whole number.
uint32_t addressValue(ChipAccess access, std::string_view value);

}  // namespace qvnhwm
