#include "chip_registry.h"

#include "chips/chip_factory.h"
#include "description_syntax.h"

namespace qvnhwm {

void ChipRegistry::fill(const HardwareDescription& description, DriverChannel& channel) {
    boardModel = description.boardModel;
    southbridge = description.southbridge;
    for (const ChipBlock& block : description.chips) add(createChip(block, channel));
}

bool ChipRegistry::add(std::unique_ptr<MonitorChip> chip) {
    if (chips_.size() >= kMaxChips) return false;
    chips_.push_back(std::move(chip));
    return true;
}

MonitorChip* ChipRegistry::find(std::string_view id) const {
    for (const auto& chip : chips_)
        if (chip->id() && syntax::equalsIgnoreCase(*chip->id(), id)) return chip.get();
    return nullptr;
}

}  // namespace qvnhwm
