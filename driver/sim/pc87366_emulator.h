// A National PC87366 Super-I/O's hardware monitors: the configuration index/data pair
// (device id 0xE9) and the three monitor units at the I/O bases their logical devices
// report: fans (device 0x09, power-on base 0x0600), voltages (0x0D, 0x0620), temperatures
// (0x0E, 0x0640), 16 ports each. A base moved through the configuration registers moves
// the unit with it.
//
// Reference wiring of a simulated board (voltage unit: 2.966 V / 256 per count):
//
//   | channel | rail / sensor                  | pin voltage | raw |
//   |---------|--------------------------------|-------------|-----|
//   | V0      | Vcore CPU1 1.50 V              | 1.50 V      | 129 |
//   | V1      | Vcore CPU2 1.50 V              | 1.50 V      | 129 |
//   | V2      | +3.3 V through ×2              | 1.65 V      | 142 |
//   | V3      | +5 V through ×2                | 2.50 V      | 216 |
//   | V4      | +12 V through ×5               | 2.40 V      | 207 |
//   | V5      | −12 V: V = 4·pin − 14          | 0.50 V      |  43 |
//   | V6      | −5 V: V = 2·pin − 7            | 1.00 V      |  86 |
//   | V7      | 5VSB through ×2                | 2.50 V      | 216 |
//   | V8      | VDD 3.3 V through ×2           | 1.65 V      | 142 |
//   | V9      | VBAT 3.0 V through ×2          | 1.50 V      | 129 |
//   | V10-V13 | not connected                  | 0           |   0 |
//   | T0      | CPU1 temperature, signed °C    | 45 °C       |  45 |
//   | T1      | CPU2 temperature, signed °C    | 47 °C       |  47 |
//   | T2      | system temperature, signed °C  | 32 °C       |  32 |
//
// Fans (no PWM, always at full speed): fan 1 4500 rpm, fan 2 4500 rpm, fan 3 3000 rpm.
#pragma once

#include <cstdint>

#include "chip_environment.h"
#include "devices.h"
#include "pc87366_fan_unit.h"
#include "pc87366_monitor_unit.h"
#include "super_io_config.h"

namespace qvnbdrv::sim {

class Pc87366Emulator final : public PortDevice {
public:
    Pc87366Emulator(uint32_t indexPort, ChipEnvironment environment);
    Pc87366Emulator(const Pc87366Emulator&) = delete;
    Pc87366Emulator& operator=(const Pc87366Emulator&) = delete;

    bool claims(uint32_t port) const override;
    uint8_t read(uint32_t port, double seconds) override;
    void write(uint32_t port, uint8_t data, double seconds) override;

    static uint8_t voltageCount(double pinMillivolts);

private:
    enum class Unit { None, Fan, Voltage, Temperature };

    // The unit whose block holds port, and the port's offset in it.
    Unit unitAt(uint32_t port, uint8_t& offset) const;
    uint8_t voltage(int channel, double seconds) const;
    uint8_t temperature(int channel, double seconds) const;

    ChipEnvironment environment_;
    SuperIoConfig config_;
    IndexDataPorts configPorts_;
    Pc87366FanUnit fans_;
    Pc87366MonitorUnit voltages_;
    Pc87366MonitorUnit temperatures_;
};

}  // namespace qvnbdrv::sim
