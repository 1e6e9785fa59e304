// Any byte sequence as a hardware description: the parser must end, stay in bounds and
// keep its registry within eight chips.
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

#include "chip_registry.h"
#include "description_parser.h"
#include "driver_channel.h"

namespace {

class NoDevice final : public qvnhwm::DeviceTransport {
public:
    bool open() override { return false; }
    bool close() override { return true; }
    bool control(uint32_t, const void*, uint32_t, void*, uint32_t) override { return false; }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    qvnhwm::DriverChannel channel(std::make_unique<NoDevice>());
    qvnhwm::ChipRegistry registry;
    std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
    qvnhwm::HardwareDescription description;
    qvnhwm::parseDescription(in, description);
    registry.fill(description, channel);
    if (registry.count() > qvnhwm::ChipRegistry::kMaxChips) std::abort();
    if (registry.boardModel.size() > 255) std::abort();
    for (size_t i = 0; i < registry.count(); ++i) {
        registry.chip(i).Init();  // a closed channel: every chip must fail cleanly
        if (registry.chip(i).id() && registry.chip(i).id()->size() > 255) std::abort();
    }
    return 0;
}
