#include "w83627hf_lpc.h"

#include "w83627hf.h"

namespace qvnhwm {

W83627HF_2::W83627HF_2(DriverChannel& channel)
    : WinbondChip(kKind, channel, kW83627hfPwm), access_(channel, kDefaultIndexPort) {}

bool W83627HF_2::configure(std::string_view line) {
    if (const std::optional<uint32_t> port = addressIn(line)) {
        access_.setIndexPort(*port);
        return true;
    }
    return configureCommon(line);
}

}  // namespace qvnhwm
