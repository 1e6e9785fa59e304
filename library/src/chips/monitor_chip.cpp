#include "monitor_chip.h"

#include "../description_syntax.h"

namespace qvnhwm {

std::optional<uint32_t> MonitorChip::addressIn(std::string_view line) const {
    const ChipKindInfo& info = chipKind(kind_);
    const std::string_view tag = settingTag(info.addressSetting);
    if (!syntax::carriesTag(line, tag)) return std::nullopt;
    return addressValue(info.access, syntax::tagValue(line, tag));
}

}  // namespace qvnhwm
