#include "chip_factory.h"

#include <array>
#include <string>

#include "intel_xeon.h"
#include "n87366.h"
#include "w83627hf.h"
#include "w83627hf_lpc.h"
#include "w83782d.h"

namespace qvnhwm {

namespace {

struct Maker {
    ChipKind kind;
    std::unique_ptr<MonitorChip> (*make)(DriverChannel&);
};

template <typename Chip>
constexpr Maker makerOf() {
    return {Chip::kKind,
            [](DriverChannel& channel) -> std::unique_ptr<MonitorChip> { return std::make_unique<Chip>(channel); }};
}

// The class of each kind, at the place of its kind in the kind table.
constexpr std::array<Maker, kChipKindCount> kMakers{{
    makerOf<W83782D>(),
    makerOf<W83627HF_2>(),
    makerOf<W83627HF>(),
    makerOf<N87366>(),
    makerOf<IntelXeon>(),
}};

constexpr bool everyKindMade() {
    for (size_t i = 0; i < kMakers.size(); ++i)
        if (kMakers[i].kind != ChipKind(i) || !kMakers[i].make) return false;
    return true;
}
static_assert(everyKindMade(), "kMakers has one class for each kind, in the order of kChipKinds");

}  // namespace

std::unique_ptr<MonitorChip> createChip(const ChipBlock& block, DriverChannel& channel) {
    std::unique_ptr<MonitorChip> chip = kMakers[size_t(block.kind)].make(channel);
    chip->setId(block.id);
    for (size_t i = 0; i < kSettingCount; ++i)
        if (const std::optional<std::string>& value = block.settings[i])
            chip->configure(std::string(kSettingTags[i]) + *value);
    return chip;
}

}  // namespace qvnhwm
