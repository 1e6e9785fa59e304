#include "w83627hf_lpc.h"

#include "../description_syntax.h"
#include "w83627hf.h"

namespace qvnhwm {

namespace {

constexpr std::string_view kIndexPortTag = "<LPCADD>";

}  // namespace

W83627HF_2::W83627HF_2(DriverChannel& channel)
    : WinbondChip(kModelName, channel, kW83627hfPwm), access_(channel, kDefaultIndexPort) {}

bool W83627HF_2::configure(std::string_view line) {
    if (syntax::carriesTag(line, kIndexPortTag)) {
        // A port address is a full 32-bit number, not cut to a byte like the slave address.
        access_.setIndexPort(uint32_t(syntax::parseSigned(syntax::tagValue(line, kIndexPortTag))));
        return true;
    }
    return configureCommon(line);
}

}  // namespace qvnhwm
