#include "xeon_sensor_emulator.h"

#include <algorithm>
#include <cmath>

namespace qvnbdrv::sim {

namespace {

// The sensor's registers are its own, kept apart from the library's IntelXeon programme on
// purpose, so a wrong register there fails against the emulator.
constexpr uint8_t kRegLocal = 0x00;   // local temperature
constexpr uint8_t kRegRemote = 0x01;  // processor temperature
constexpr uint8_t kRegStatus = 0x02;  // bit 7 busy
constexpr uint8_t kRegConfigRead = 0x03;
constexpr uint8_t kRegRateRead = 0x04;
constexpr uint8_t kRegLimitsRead = 0x05;  // 0x05-0x08
constexpr uint8_t kRegConfigWrite = 0x09;
constexpr uint8_t kRegRateWrite = 0x0A;
constexpr uint8_t kRegLimitsWrite = 0x0B;  // 0x0B-0x0E
constexpr uint8_t kLimitCount = 4;
constexpr uint8_t kStatusBusy = 0x80;

constexpr uint8_t kRateReset = 0x02;       // two conversions per second
constexpr uint8_t kHighLimitReset = 0x46;  // 70 °C
constexpr uint8_t kLowLimitReset = 0xC9;   // -55 °C

constexpr int kSensorLocal = 0;  // scenario sensor numbers
constexpr int kSensorRemote = 1;
constexpr double kLocalCelsius = 30.0;
constexpr double kRemoteCelsius = 48.0;

}  // namespace

XeonSensorEmulator::XeonSensorEmulator(ChipEnvironment environment)
    : environment_(std::move(environment)),
      rate_(kRateReset),
      limits_{kHighLimitReset, kLowLimitReset, kHighLimitReset, kLowLimitReset} {}

uint8_t XeonSensorEmulator::degrees(int sensor, double nominal, double seconds) const {
    const double celsius = environment_.temperature(sensor, nominal, seconds);
    return uint8_t(int8_t(std::clamp(std::lround(celsius), -128L, 127L)));
}

bool XeonSensorEmulator::read(uint8_t command, uint8_t& data, double seconds) {
    switch (command) {
        case kRegLocal:
        case kRegRemote:
            data = command == kRegLocal ? degrees(kSensorLocal, kLocalCelsius, seconds)
                                        : degrees(kSensorRemote, kRemoteCelsius, seconds);
            busyReads_ = kBusyReads;
            return true;
        case kRegStatus:
            data = busyReads_ > 0 ? kStatusBusy : 0;
            busyReads_ = std::max(busyReads_ - 1, 0);
            return true;
        case kRegConfigRead: data = config_; return true;
        case kRegRateRead: data = rate_; return true;
        default: break;
    }
    if (command >= kRegLimitsRead && command < kRegLimitsRead + kLimitCount) {
        data = limits_[command - kRegLimitsRead];
        return true;
    }
    return false;  // the sensor does not acknowledge a register it lacks
}

bool XeonSensorEmulator::write(uint8_t command, uint8_t data, double) {
    if (command == kRegConfigWrite)
        config_ = data;
    else if (command == kRegRateWrite)
        rate_ = data;
    else if (command >= kRegLimitsWrite && command < kRegLimitsWrite + kLimitCount)
        limits_[command - kRegLimitsWrite] = data;
    else
        return false;  // no such write address: not acknowledged
    return true;
}

}  // namespace qvnbdrv::sim
