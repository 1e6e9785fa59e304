// Makes the chip a description block names, of the block's kind and configured with its
// settings.
#pragma once

#include <memory>

#include "../hardware_description.h"
#include "monitor_chip.h"

namespace qvnhwm {

std::unique_ptr<MonitorChip> createChip(const ChipBlock& block, DriverChannel& channel);

}  // namespace qvnhwm
