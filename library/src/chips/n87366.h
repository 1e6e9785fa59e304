// National PC87366 Super-I/O: fan, voltage and temperature monitors, each a logical
// device with its own port block found through the configuration registers. No fan control.
#pragma once

#include "../superio.h"
#include "monitor_chip.h"

namespace qvnhwm {

class N87366 final : public MonitorChip {
public:
    static constexpr ChipKind kKind = ChipKind::N87366;
    static constexpr uint32_t kDefaultIndexPort = chipKind(kKind).defaultAddress;

    explicit N87366(DriverChannel& channel) : MonitorChip(kKind, channel) {}

    int32_t Init() override;
    int32_t GetSensorValue(int32_t bank, int32_t channelCode, int32_t multiplier, int32_t offset, int32_t resultScale,
                           int32_t offsetScale, double& value) override;
    bool configure(std::string_view line) override;

    // The bases Init located, 0 for a unit it could not locate.
    uint32_t fanBase() const { return fan_.base; }
    uint32_t voltageBase() const { return voltage_.base; }
    uint32_t temperatureBase() const { return temperature_.base; }
    uint32_t indexPort() const { return indexPort_; }
    uint32_t dataPort() const { return dataPort_; }

private:
    // A monitor unit's port block. Only a usable unit is ever written or read: one whose
    // base was located and lies where a unit may, so a failed look-up or an unprogrammed
    // base never aims requests at the DMA controller or the reset register.
    struct Unit {
        uint8_t device;
        uint32_t base = 0;
        bool usable = false;
    };

    // Reads the I/O base of the unit's logical device from the configuration registers;
    // false when a request fails, and the unit is then unusable.
    bool locate(Unit& unit);
    // A setup write to a usable unit; a unit that is not usable has nothing to set up.
    bool setUp(const Unit& unit, uint32_t offset, uint8_t value);
    bool readFan(int fan, int32_t& raw);
    // One conversion of a voltage or temperature channel.
    bool readMonitor(const Unit& unit, uint8_t channelNumber, uint8_t& raw);

    Unit fan_{superio::kFanDevice};
    Unit voltage_{superio::kVoltageDevice};
    Unit temperature_{superio::kTemperatureDevice};
    uint32_t indexPort_ = kDefaultIndexPort;
    uint32_t dataPort_ = kDefaultIndexPort + 1;
};

}  // namespace qvnhwm
