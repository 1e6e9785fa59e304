// The library's state and the behaviour behind each export: one driver channel for the
// life of the library, and the registry of the last description read.
#pragma once

#include <cstdint>
#include <memory>

#include "chip_registry.h"
#include "driver_channel.h"

namespace qvnhwm {

class HwmLibrary {
public:
    explicit HwmLibrary(std::unique_ptr<DeviceTransport> transport) : channel_(std::move(transport)) {}

    int32_t InitDLL(const char* path);
    int32_t ReleaseDLL();
    int32_t SetCurrentHwm(const char* id);
    int32_t GetSensorValue(int32_t a1, int32_t a2, int32_t a3, int32_t a4, int32_t a5, int32_t a6, double* value);
    int32_t SetFanPWM(int32_t a1, int32_t a2, int32_t a3);
    int32_t SetFanPWM2(int32_t a1, int32_t a2, int32_t a3, int32_t a4);
    int32_t GetFanDuty(int32_t a1, uint8_t* duty);

    DriverChannel& channel() { return channel_; }
    const ChipRegistry* registry() const { return registry_.get(); }

private:
    // The chip a chip export goes to: the current chip while the channel is open.
    MonitorChip* target();

    DriverChannel channel_;
    std::unique_ptr<ChipRegistry> registry_;
};

// The one instance the exports serve.
HwmLibrary& theLibrary();

}  // namespace qvnhwm
