#include "chip_rules.h"

#include <algorithm>
#include <initializer_list>

namespace qorv::board_check {

namespace {

using qvnhwm::ChipKind;

constexpr int kBankMask = 0x07;  // a Winbond bank select keeps bits 2-0

struct BankedChannel {
    int bank;
    int channel;
};

// Winbond: voltages 0x20-0x26, system temperature 0x27, bank 5's 5VSB (0x50) and VBAT
// (0x51), the processor temperatures of banks 1 and 2 as channels 0x81 and 0x82.
constexpr BankedChannel kWinbondValues[] = {
    {0, 0x20}, {0, 0x21}, {0, 0x22}, {0, 0x23}, {0, 0x24}, {0, 0x25},
    {0, 0x26}, {0, 0x27}, {5, 0x50}, {5, 0x51}, {1, 0x81}, {2, 0x82},
};
constexpr int kWinbondFans[] = {0x28, 0x29, 0x2A};  // fan count registers 1-3

// PC87366: voltage channels 0x30-0x39, temperature channels 0x60-0x62, fans 1-3.
constexpr int kPc87366FirstVoltage = 0x30;
constexpr int kPc87366LastVoltage = 0x39;
constexpr int kPc87366FirstTemperature = 0x60;
constexpr int kPc87366LastTemperature = 0x62;
constexpr int kPc87366Fans[] = {1, 2, 3};

constexpr int kW83782dPwm[] = {0x5A, 0x5B, 0x5E, 0x5F};
constexpr int kW83627hfPwm[] = {0x5A, 0x5B};

bool isWinbond(ChipKind kind) {
    return kind == ChipKind::W83782D || kind == ChipKind::W83627HF || kind == ChipKind::W83627HF_2;
}

template <typename List>
bool holds(const List& list, int value) {
    return std::find(std::begin(list), std::end(list), value) != std::end(list);
}

}  // namespace

bool measuresFan(ChipKind kind, int channel) {
    if (isWinbond(kind)) return holds(kWinbondFans, channel);
    if (kind == ChipKind::N87366) return holds(kPc87366Fans, channel);
    return false;
}

bool measuresValue(ChipKind kind, int bank, int channel) {
    if (isWinbond(kind))
        return std::any_of(std::begin(kWinbondValues), std::end(kWinbondValues), [&](const BankedChannel& c) {
            return c.bank == (bank & kBankMask) && c.channel == channel;
        });
    if (kind == ChipKind::N87366)
        return (channel >= kPc87366FirstVoltage && channel <= kPc87366LastVoltage) ||
               (channel >= kPc87366FirstTemperature && channel <= kPc87366LastTemperature);
    return kind == ChipKind::IntelXeon;  // one sensor, whatever the channel
}

bool acceptsPwm(ChipKind kind, int pwmRegister) {
    if (kind == ChipKind::W83782D) return holds(kW83782dPwm, pwmRegister);
    if (kind == ChipKind::W83627HF || kind == ChipKind::W83627HF_2) return holds(kW83627hfPwm, pwmRegister);
    return false;
}

}  // namespace qorv::board_check
