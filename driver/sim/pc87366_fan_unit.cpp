#include "pc87366_fan_unit.h"

#include <algorithm>
#include <cmath>

namespace qvnbdrv::sim {

namespace {

constexpr uint8_t kFanCount = 0x07;   // count of fan 1; fans 2, 3 three ports on
constexpr uint8_t kFanStatus = 0x08;  // status of fan 1
constexpr uint8_t kFanStride = 3;
constexpr uint8_t kStatusReady = 0x01;    // read-only: a fresh count is available
constexpr uint8_t kStatusLatched = 0x06;  // below-minimum and overflow, write 1 to clear
constexpr uint8_t kStatusOverflow = 0x04;
constexpr uint8_t kDivisorMask = 0x60;
constexpr int kDivisorShift = 5;
constexpr uint8_t kStatusReset = 0x20;  // divisor code 1

// count = 960000 / (rpm × 2^code): a 16 kHz clock counted over one revolution. It
// saturates at 255 (the overflow the status latches); a turning fan never reads 0.
constexpr double kCountClockPerMinute = 960000.0;
constexpr long kLargestCount = 254;
constexpr uint8_t kCountOverflow = 255;

}  // namespace

Pc87366FanUnit::Pc87366FanUnit(const ChipEnvironment& environment, std::array<double, 3> fullSpeeds)
    : environment_(environment),
      fans_{Fan{fullSpeeds[0], kStatusReset}, Fan{fullSpeeds[1], kStatusReset}, Fan{fullSpeeds[2], kStatusReset}} {}

uint8_t Pc87366FanUnit::fanCount(double rpm, int code) {
    if (rpm <= 0.0) return kCountOverflow;
    const long count = std::lround(kCountClockPerMinute / (rpm * double(1 << code)));
    if (count > kLargestCount) return kCountOverflow;
    return uint8_t(std::max(count, 1L));
}

Pc87366FanUnit::Fan* Pc87366FanUnit::fanAt(uint8_t offset, uint8_t firstOffset) {
    if (offset < firstOffset || (offset - firstOffset) % kFanStride != 0) return nullptr;
    const size_t n = (offset - firstOffset) / kFanStride;
    return n < fans_.size() ? &fans_[n] : nullptr;
}

uint8_t Pc87366FanUnit::currentCount(const Fan& fan, double seconds) const {
    const int number = int(&fan - fans_.data()) + 1;
    const double rpm = environment_.fanSpeed(number, fan.fullSpeed, seconds);
    return fanCount(rpm, (fan.status & kDivisorMask) >> kDivisorShift);
}

uint8_t Pc87366FanUnit::read(uint8_t offset, double seconds) {
    if (Fan* fan = fanAt(offset, kFanCount)) {
        fan->countJustRead = true;
        const uint8_t count = currentCount(*fan, seconds);
        if (count == kCountOverflow) fan->status |= kStatusOverflow;
        return count;
    }
    if (Fan* fan = fanAt(offset, kFanStatus)) {
        // The counter overflows on its own while the fan is too slow, read or not.
        if (currentCount(*fan, seconds) == kCountOverflow) fan->status |= kStatusOverflow;
        const bool ready = !fan->countJustRead;
        fan->countJustRead = false;
        return uint8_t((fan->status & ~kStatusReady) | (ready ? kStatusReady : 0));
    }
    return ports_[offset & 0x0F];
}

void Pc87366FanUnit::write(uint8_t offset, uint8_t value, double) {
    if (fanAt(offset, kFanCount)) return;  // the counter is read-only
    if (Fan* fan = fanAt(offset, kFanStatus)) {
        const uint8_t latched = uint8_t(fan->status & kStatusLatched & ~value);
        const uint8_t stored = uint8_t(value & ~(kStatusLatched | kStatusReady));
        fan->status = uint8_t(stored | latched);
        return;
    }
    ports_[offset & 0x0F] = value;
}

}  // namespace qvnbdrv::sim
