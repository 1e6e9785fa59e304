// The chips one hardware description built, in file order, and the chip that the chip
// exports currently talk to.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "chips/monitor_chip.h"
#include "hardware_description.h"

namespace qvnhwm {

class DriverChannel;

class ChipRegistry {
public:
    static constexpr size_t kMaxChips = HardwareDescription::kMaxChips;

    // Takes the board's model and southbridge from description and makes its chips, in its
    // order, on channel.
    void fill(const HardwareDescription& description, DriverChannel& channel);

    // Appends a chip; false (and the chip is dropped) once eight are listed.
    bool add(std::unique_ptr<MonitorChip> chip);

    // The first listed chip whose id equals id ignoring letter case; chips without an id
    // are never found.
    MonitorChip* find(std::string_view id) const;

    size_t count() const { return chips_.size(); }
    MonitorChip& chip(size_t i) const { return *chips_[i]; }

    MonitorChip* current = nullptr;
    std::string boardModel;
    std::optional<std::string> southbridge;

private:
    std::vector<std::unique_ptr<MonitorChip>> chips_;
};

}  // namespace qvnhwm
