// The processor's SMBus thermal sensor: one reading, the processor temperature. On board
// 4730 every access is framed by a switch of board port 0x50F. No fan control.
#pragma once

#include "monitor_chip.h"

namespace qvnhwm {

class IntelXeon final : public MonitorChip {
public:
    static constexpr ChipKind kKind = ChipKind::IntelXeon;
    static constexpr auto kDefaultSlaveAddress = uint8_t(chipKind(kKind).defaultAddress);

    explicit IntelXeon(DriverChannel& channel) : MonitorChip(kKind, channel) {}

    int32_t Init() override;
    int32_t GetSensorValue(int32_t bank, int32_t channelCode, int32_t multiplier, int32_t offset, int32_t resultScale,
                           int32_t offsetScale, double& value) override;
    bool configure(std::string_view line) override;

    uint8_t slaveAddress() const { return slaveAddress_; }
    int32_t boardNumber() const { return boardNumber_; }

private:
    // The board-4730 switch of port 0x50F towards the sensor or back; nothing elsewhere.
    void routeSmbus(bool toSensor);

    uint8_t slaveAddress_ = kDefaultSlaveAddress;
    int32_t boardNumber_ = 0;
};

}  // namespace qvnhwm
