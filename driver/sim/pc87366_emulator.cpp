#include "pc87366_emulator.h"

#include <algorithm>
#include <cmath>

namespace qvnbdrv::sim {

namespace {

// The chip's numbers are written here from its data sheet, not taken from the library's
// superio.h: an emulator that shared the library's numbers could not catch them being wrong.
constexpr uint8_t kDeviceId = 0xE9;   // PC87366 in configuration register 0x20
constexpr uint8_t kDeviceFan = 0x09;  // logical devices of the three monitors
constexpr uint8_t kDeviceVoltage = 0x0D;
constexpr uint8_t kDeviceTemperature = 0x0E;
constexpr uint16_t kFanBase = 0x0600;  // where a BIOS typically places them
constexpr uint16_t kVoltageBase = 0x0620;
constexpr uint16_t kTemperatureBase = 0x0640;
constexpr uint32_t kUnitPorts = 16;
constexpr uint8_t kUndecoded = 0xFF;  // a port nobody drives floats high

constexpr int kVoltageChannels = 14;
constexpr int kTemperatureChannels = 3;

// Reference wiring: pin millivolts of voltage channels 0-9 (10-13 are not connected).
constexpr double kPinMillivolts[] = {1500, 1500, 1650, 2500, 2400, 500, 1000, 2500, 1650, 1500};
constexpr double kReferenceMillivolts = 2966.0;  // full scale of the 8-bit converter
constexpr double kCountsPerReference = 256.0;
constexpr double kCelsius[] = {45.0, 47.0, 32.0};
constexpr std::array<double, 3> kFullSpeeds = {4500.0, 4500.0, 3000.0};

}  // namespace

Pc87366Emulator::Pc87366Emulator(uint32_t indexPort, ChipEnvironment environment)
    : environment_(std::move(environment)),
      config_(kDeviceId),
      configPorts_(config_, indexPort),
      fans_(environment_, kFullSpeeds),
      voltages_(kVoltageChannels, [this](int channel, double seconds) { return voltage(channel, seconds); }),
      temperatures_(kTemperatureChannels,
                    [this](int channel, double seconds) { return temperature(channel, seconds); }) {
    config_.place(kDeviceFan, kFanBase);
    config_.place(kDeviceVoltage, kVoltageBase);
    config_.place(kDeviceTemperature, kTemperatureBase);
}

uint8_t Pc87366Emulator::voltageCount(double pinMillivolts) {
    const long count = std::lround(pinMillivolts * kCountsPerReference / kReferenceMillivolts);
    return uint8_t(std::clamp(count, 0L, 255L));
}

uint8_t Pc87366Emulator::voltage(int channel, double seconds) const {
    if (channel >= int(std::size(kPinMillivolts))) return 0;
    return voltageCount(environment_.voltage(channel, kPinMillivolts[channel], seconds));
}

uint8_t Pc87366Emulator::temperature(int channel, double seconds) const {
    const double celsius = environment_.temperature(channel, kCelsius[channel], seconds);
    return uint8_t(int8_t(std::clamp(std::lround(celsius), -128L, 127L)));
}

Pc87366Emulator::Unit Pc87366Emulator::unitAt(uint32_t port, uint8_t& offset) const {
    constexpr std::pair<uint8_t, Unit> kUnits[] = {
        {kDeviceFan, Unit::Fan}, {kDeviceVoltage, Unit::Voltage}, {kDeviceTemperature, Unit::Temperature}};
    for (const auto& [device, unit] : kUnits) {
        const uint32_t base = config_.base(device);
        if (base != 0 && port >= base && port < base + kUnitPorts) {
            offset = uint8_t(port - base);
            return unit;
        }
    }
    return Unit::None;
}

bool Pc87366Emulator::claims(uint32_t port) const {
    uint8_t offset = 0;
    return configPorts_.claims(port) || unitAt(port, offset) != Unit::None;
}

uint8_t Pc87366Emulator::read(uint32_t port, double seconds) {
    if (configPorts_.claims(port)) return configPorts_.read(port, seconds);
    uint8_t offset = 0;
    switch (unitAt(port, offset)) {
        case Unit::Fan: return fans_.read(offset, seconds);
        case Unit::Voltage: return voltages_.read(offset, seconds);
        case Unit::Temperature: return temperatures_.read(offset, seconds);
        case Unit::None: break;
    }
    return kUndecoded;
}

void Pc87366Emulator::write(uint32_t port, uint8_t data, double seconds) {
    if (configPorts_.claims(port)) return configPorts_.write(port, data, seconds);
    uint8_t offset = 0;
    switch (unitAt(port, offset)) {
        case Unit::Fan: return fans_.write(offset, data, seconds);
        case Unit::Voltage: return voltages_.write(offset, data, seconds);
        case Unit::Temperature: return temperatures_.write(offset, data, seconds);
        case Unit::None: break;
    }
}

}  // namespace qvnbdrv::sim
