// Creates a chip of the kind whose model name equals the given text, ignoring letter case.
#pragma once

#include <memory>
#include <string_view>

#include "monitor_chip.h"

namespace qvnhwm {

std::unique_ptr<MonitorChip> createChip(std::string_view modelName, DriverChannel& channel);

}  // namespace qvnhwm
