#include "intel_xeon.h"

#include <optional>

#include "../board_switch.h"
#include "../description_syntax.h"
#include "../driver_channel.h"
#include "../scale_code.h"

namespace qvnhwm {

namespace {

// Sensor registers (SMBus command bytes).
constexpr uint8_t kRegTemperature = 0x01;  // processor temperature, signed whole degrees
constexpr uint8_t kRegStatus = 0x02;       // bit 7: conversion in progress
constexpr uint8_t kRegConfigWrite = 0x09;  // configuration, write address
constexpr uint8_t kRegRateWrite = 0x0A;    // conversion rate, write address
constexpr uint8_t kConfigInit = 0x00;      // converting continuously, alerts on
constexpr uint8_t kRateInit = 0x04;        // one conversion per second
constexpr uint8_t kStatusBusy = 0x80;
constexpr int kStatusReads = 20;  // the busy bit is given this many reads to clear

// The board switch: bit 4 set with bit 3 clear routes the SMBus to the processor sensor;
// setting both routes it back.
constexpr uint8_t kRouteBit3 = 0x08;
constexpr uint8_t kRouteBit4 = 0x10;
constexpr uint8_t kAllBits = 0xFF;

constexpr std::string_view kBoardTag = settingTag(Setting::Board);

}  // namespace

// The routing port's own results do not decide the access: if the switch did not take, the
// sensor access that follows fails on its own. A value that could not be read is never
// written back, though: it would overwrite the port's other bits with a guess.
void IntelXeon::routeSmbus(bool toSensor) {
    if (boardNumber_ != kSwitchedBoard) return;
    DriverChannel& ch = channel();
    uint8_t route = 0;
    if (!ch.ReadPort(kBoardSwitchPort, kAllBits, route)) return;
    route = toSensor ? uint8_t((route & ~kRouteBit3) | kRouteBit4) : uint8_t(route | kRouteBit3 | kRouteBit4);
    ch.WritePort(kBoardSwitchPort, route, kAllBits);
}

// On a failure the port stays routed to the sensor, as the steps after the failure are
// not made.
int32_t IntelXeon::Init() {
    routeSmbus(true);
    DriverChannel& ch = channel();
    if (!ch.SmbusWriteByte(slaveAddress_, kRegConfigWrite, kConfigInit) ||
        !ch.SmbusWriteByte(slaveAddress_, kRegRateWrite, kRateInit))
        return 0;
    routeSmbus(false);
    return 1;
}

// Unlike the other kinds, the caller's value is written only with a reading.
int32_t IntelXeon::GetSensorValue(int32_t, int32_t, int32_t multiplier, int32_t offset, int32_t resultScale,
                                  int32_t offsetScale, double& value) {
    const std::optional<LinearScale> scale = LinearScale::make(multiplier, offset, resultScale, offsetScale);
    if (!scale) return 0;

    routeSmbus(true);
    DriverChannel& ch = channel();
    uint8_t status = 0;
    int reads = 0;
    do {
        if (!ch.SmbusReadByte(slaveAddress_, kRegStatus, status)) return 0;
        ++reads;
    } while ((status & kStatusBusy) && reads < kStatusReads);
    if (status & kStatusBusy) return 0;

    uint8_t temperature = 0;
    if (!ch.SmbusReadByte(slaveAddress_, kRegTemperature, temperature)) return 0;
    value = scale->apply(int8_t(temperature));
    routeSmbus(false);
    return 1;
}

bool IntelXeon::configure(std::string_view line) {
    if (const std::optional<uint32_t> address = addressIn(line)) {
        slaveAddress_ = uint8_t(*address);
        return true;
    }
    if (syntax::carriesTag(line, kBoardTag)) {
        boardNumber_ = syntax::parseSigned(syntax::tagValue(line, kBoardTag));
        return true;
    }
    return false;
}

}  // namespace qvnhwm
