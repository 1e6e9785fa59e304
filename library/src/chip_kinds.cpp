#include "chip_kinds.h"

#include "description_syntax.h"

namespace qvnhwm {

const ChipKindInfo* kindBegunBy(std::string_view model) {
    for (const ChipKindInfo& info : kChipKinds)
        if (syntax::startsWithIgnoreCase(model, info.name)) return &info;
    return nullptr;
}

uint32_t addressValue(ChipAccess access, std::string_view value) {
    const auto number = uint32_t(syntax::parseSigned(value));
    return access == ChipAccess::Smbus ? uint8_t(number) : number;
}

}  // namespace qvnhwm
