// National PC87366 Super-I/O: fan, voltage and temperature monitors, each a logical
// device with its own port block found through the configuration registers. No fan control.
#pragma once

#include "monitor_chip.h"

namespace qvnhwm {

class N87366 final : public MonitorChip {
public:
    static constexpr const char* kModelName = "N87366";
    static constexpr uint32_t kDefaultIndexPort = 0x2E;

    explicit N87366(DriverChannel& channel) : MonitorChip(kModelName, channel) {}

    int32_t Init() override;
    int32_t GetSensorValue(int32_t bank, int32_t channelCode, int32_t multiplier, int32_t offset,
                           int32_t resultScale, int32_t offsetScale, double& value) override;
    bool configure(std::string_view line) override;

    uint32_t fanBase() const { return fanBase_; }
    uint32_t voltageBase() const { return voltageBase_; }
    uint32_t temperatureBase() const { return temperatureBase_; }
    uint32_t indexPort() const { return indexPort_; }
    uint32_t dataPort() const { return dataPort_; }

private:
    // Reads the I/O base of a logical device from the configuration registers.
    bool locate(uint8_t device, uint32_t& base);
    bool readFan(int fan, int32_t& raw);
    // One conversion of a voltage or temperature channel.
    bool readMonitor(uint8_t device, uint32_t base, uint8_t channelNumber, uint8_t& raw);

    uint32_t fanBase_ = 0;
    uint32_t voltageBase_ = 0;
    uint32_t temperatureBase_ = 0;
    uint32_t indexPort_ = kDefaultIndexPort;
    uint32_t dataPort_ = kDefaultIndexPort + 1;
};

}  // namespace qvnhwm
