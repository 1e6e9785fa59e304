#include "n87366.h"

#include <cmath>
#include <optional>

#include "../driver_channel.h"
#include "../scale_code.h"

namespace qvnhwm {

namespace {

constexpr uint8_t kAllBits = 0xFF;

// Fan monitor: per fan a block of three registers starting at +0x07.
constexpr uint32_t kFanCount = 0x07;   // count of fan 1
constexpr uint32_t kFanStatus = 0x08;  // status of fan 1
constexpr uint32_t kFanStride = 3;
constexpr uint8_t kFanReady = 0x01;        // a fresh count is available
constexpr uint8_t kFanOverflow = 0x04;     // written back as 1 to clear it
constexpr uint8_t kFanDivisorMask = 0x60;  // divisor code, 2^code
constexpr int kFanDivisorShift = 5;
constexpr int kFanReadyPolls = 4;

// 16000 / count is the fan's revolutions per second at divisor code 0; each divisor code
// halves it. The true speed is kept even above 255 (a fast fan must not read as a slow
// one). A zero count, a fan the monitor has not measured, and a saturated count, a fan too
// slow to measure or stopped, read as speed 0: a stopped fan must never read as turning.
constexpr int32_t kFanClock = 16000;
constexpr uint8_t kCountSaturated = 0xFF;
constexpr double kSecondsPerMinute = 60.0;

int32_t fanRevolutionsPerSecond(uint8_t count, int divisorCode) {
    if (count == 0 || count == kCountSaturated) return 0;
    return int32_t(std::trunc(double(kFanClock / count) / double(1 << divisorCode)));
}

// Voltage and temperature monitors share one layout: pick a channel, start a conversion,
// wait for it, read the value, acknowledge.
constexpr uint32_t kMonConfig = 0x08;   // written 0 at start-up
constexpr uint32_t kMonChannel = 0x09;  // channel select; 0x0F the temperature setup bank
constexpr uint32_t kMonStatus = 0x0A;   // bit 0 starts a conversion, bit 7 marks it done
constexpr uint32_t kMonValue = 0x0B;    // value of the selected channel
constexpr uint8_t kMonStart = 0x01;
constexpr uint8_t kMonDone = 0x80;  // also the acknowledgement, written whole
constexpr int kMonDonePolls = 4;

// Temperature setup bank, written at start-up in this order.
constexpr uint8_t kTempSetupBank = 0x0F;
struct PortWrite {
    uint32_t offset;
    uint8_t value;
};
constexpr PortWrite kTempSetup[] = {
    {0x0A, 0x08}, {0x0B, 0x05}, {0x0C, 0x35}, {0x0D, 0x3D}, {0x0E, 0x3D},
};

// Channel codes of GetSensorValue.
constexpr uint8_t kCodeFan1 = 1;
constexpr uint8_t kCodeFan3 = 3;
constexpr uint8_t kCodeVoltage0 = 0x30;  // voltage channels 0-13
constexpr uint8_t kCodeVoltage13 = 0x3D;
constexpr uint8_t kCodeTemperature0 = 0x60;  // temperature channels 0-2
constexpr uint8_t kCodeTemperature2 = 0x62;

}  // namespace

bool N87366::locate(Unit& unit) {
    DriverChannel& ch = channel();
    unit = Unit{unit.device};
    uint8_t high = 0, low = 0;
    if (!ch.WriteIndexed(indexPort_, superio::kLogicalDeviceSelect, unit.device) ||
        !ch.ReadIndexed(indexPort_, superio::kBaseHigh, high) || !ch.ReadIndexed(indexPort_, superio::kBaseLow, low))
        return false;
    unit.base = uint32_t(high) << 8 | low;
    unit.usable = superio::isUsableUnitBase(unit.base);
    return true;
}

bool N87366::setUp(const Unit& unit, uint32_t offset, uint8_t value) {
    return !unit.usable || channel().WritePort(unit.base + offset, value, kAllBits);
}

int32_t N87366::Init() {
    // A unit is usable only if this Init located it; without its fan unit the chip has
    // nothing to read.
    voltage_ = Unit{voltage_.device};
    temperature_ = Unit{temperature_.device};
    if (!locate(fan_) || !fan_.usable) return 0;
    // A board without the voltage or temperature unit still has its fans read.
    locate(voltage_);
    locate(temperature_);

    if (!setUp(temperature_, kMonConfig, 0x00) || !setUp(voltage_, kMonConfig, 0x00) ||
        !setUp(temperature_, kMonConfig, 0x00) || !setUp(temperature_, kMonChannel, kTempSetupBank))
        return 0;
    for (const PortWrite& w : kTempSetup)
        if (!setUp(temperature_, w.offset, w.value)) return 0;
    return 1;
}

bool N87366::readFan(int fan, int32_t& raw) {
    if (!fan_.usable) return false;
    DriverChannel& ch = channel();
    const uint32_t status = fan_.base + kFanStatus + kFanStride * uint32_t(fan - 1);
    const uint32_t count = fan_.base + kFanCount + kFanStride * uint32_t(fan - 1);
    if (!ch.WriteIndexed(indexPort_, superio::kLogicalDeviceSelect, fan_.device)) return false;

    uint8_t bits = 0;
    if (!ch.ReadPort(status, kFanOverflow, bits)) return false;
    if (bits == kFanOverflow) {
        // The acknowledgement shares the register with the divisor: written as a bare 0x04 it
        // would reset the divisor to 1, and a slow fan would overflow from then on.
        uint8_t divisor = 0;
        if (!ch.ReadPort(status, kFanDivisorMask, divisor) || !ch.WritePort(status, divisor | kFanOverflow, kAllBits))
            return false;
    }
    // A count not yet marked ready is read all the same: the previous one is still there.
    for (int poll = 0; poll < kFanReadyPolls; ++poll) {
        if (!ch.ReadPort(status, kFanReady, bits)) return false;
        if (bits == kFanReady) break;
    }
    uint8_t divisor = 0, value = 0;
    if (!ch.ReadPort(status, kFanDivisorMask, divisor) || !ch.ReadPort(count, kAllBits, value)) return false;
    raw = fanRevolutionsPerSecond(value, divisor >> kFanDivisorShift);
    return true;
}

bool N87366::readMonitor(const Unit& unit, uint8_t channelNumber, uint8_t& raw) {
    if (!unit.usable) return false;
    DriverChannel& ch = channel();
    const uint32_t base = unit.base;
    if (!ch.WriteIndexed(indexPort_, superio::kLogicalDeviceSelect, unit.device) ||
        !ch.WritePort(base + kMonChannel, channelNumber, kAllBits) ||
        !ch.WritePort(base + kMonStatus, kMonStart, kAllBits))
        return false;
    // A conversion not marked done in time still leaves the last value readable.
    uint8_t status = 0;
    for (int poll = 0; poll < kMonDonePolls; ++poll) {
        if (!ch.ReadPort(base + kMonStatus, kMonDone, status)) return false;
        if (status == kMonDone) break;
    }
    return ch.ReadPort(base + kMonValue, kAllBits, raw) && ch.WritePort(base + kMonStatus, kMonDone, kAllBits);
}

int32_t N87366::GetSensorValue(int32_t, int32_t channelCode, int32_t multiplier, int32_t offset, int32_t resultScale,
                               int32_t offsetScale, double& value) {
    value = 0.0;
    const std::optional<LinearScale> scale = LinearScale::make(multiplier, offset, resultScale, offsetScale);
    if (!scale) return 0;

    const auto code = uint8_t(channelCode);
    if (code >= kCodeFan1 && code <= kCodeFan3) {
        int32_t raw = 0;
        if (!readFan(code - kCodeFan1 + 1, raw)) return 0;
        // An unmeasured fan reads 0 RPM whatever offset the sensor carries.
        value = raw == 0 ? 0.0 : scale->apply(raw) * kSecondsPerMinute;
        return 1;
    }
    if (code >= kCodeVoltage0 && code <= kCodeVoltage13) {
        uint8_t raw = 0;
        if (!readMonitor(voltage_, uint8_t(code - kCodeVoltage0), raw)) return 0;
        value = scale->apply(raw);
        return 1;
    }
    if (code >= kCodeTemperature0 && code <= kCodeTemperature2) {
        uint8_t raw = 0;
        if (!readMonitor(temperature_, uint8_t(code - kCodeTemperature0), raw)) return 0;
        value = scale->apply(int8_t(raw));
        return 1;
    }
    return 0;
}

bool N87366::configure(std::string_view line) {
    const std::optional<uint32_t> port = addressIn(line);
    if (!port) return false;
    indexPort_ = *port;
    dataPort_ = indexPort_ + 1;
    return true;
}

}  // namespace qvnhwm
