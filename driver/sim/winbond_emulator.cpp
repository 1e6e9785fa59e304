#include "winbond_emulator.h"

#include <algorithm>
#include <cmath>
#include <span>

namespace qvnbdrv::sim {

namespace {

// The register map is the chip's own, kept apart from the library's Winbond programme on
// purpose: a programme that reaches a wrong register fails here instead of agreeing with itself.

// Measured registers, the same in every bank.
constexpr uint8_t kRegVoltageFirst = 0x20;  // 0x20-0x26: analog inputs, 16 mV per count
constexpr uint8_t kRegVoltageLast = 0x26;
constexpr uint8_t kRegSystemTemp = 0x27;  // whole degrees, signed
constexpr uint8_t kRegFan1Count = 0x28;   // fans 1-3 at 0x28-0x2A
constexpr uint8_t kRegFan3Count = 0x2A;

// Stored registers with their reset values.
constexpr uint8_t kRegConfig = 0x40;  // bit 0 start monitoring
constexpr uint8_t kConfigReset = 0x01;
constexpr uint8_t kRegFanDivisor12 = 0x47;  // bits 5-4 fan 1, 7-6 fan 2 divisor; 3-0 VID
constexpr uint8_t kFanDivisor12Reset = 0x50;
constexpr uint8_t kRegSerialAddress = 0x48;  // the chip's own 7-bit SMBus address
constexpr uint8_t kRegTempAddresses = 0x4A;  // serial addresses of temperatures 2 and 3
constexpr uint8_t kTempAddressesReset = 0x01;
constexpr uint8_t kRegPinControl = 0x4B;  // bits 7-6 fan 3 divisor, 3-2 ADC clock
constexpr uint8_t kPinControlReset = 0x44;
constexpr uint8_t kRegBeepControl = 0x4D;  // fan inputs and beep
constexpr uint8_t kBeepControlReset = 0x15;
constexpr uint8_t kRegBankSelect = 0x4E;  // bits 2-0 bank, bit 7 vendor id byte select
constexpr uint8_t kBankSelectReset = 0x80;
constexpr uint8_t kBankSelectBits = 0x87;  // bits 6-3 are reserved and read 0
constexpr uint8_t kBankMask = 0x07;
constexpr uint8_t kHighByteSelect = 0x80;
constexpr uint8_t kRegVendorId = 0x4F;  // 0x5CA3, high byte with bit 7 of 0x4E set
constexpr uint8_t kVendorHigh = 0x5C;
constexpr uint8_t kVendorLow = 0xA3;

// Banked registers 0x50-0x5F.
constexpr uint8_t kRegBankedFirst = 0x50;
constexpr uint8_t kRegBankedLast = 0x5F;
constexpr uint8_t kRegChipId = 0x58;  // bank 0
constexpr uint8_t kChipIdW83782d = 0x30;
constexpr uint8_t kChipIdW83627hf = 0x21;
constexpr uint8_t kRegSensorType = 0x59;  // bank 0: bits 6-4 diode or thermistor
constexpr uint8_t kSensorTypeReset = 0x70;
constexpr uint8_t kRegPwmClock = 0x5C;  // bank 0
constexpr uint8_t kPwmClockReset = 0x11;
constexpr uint8_t kRegVbat = 0x5D;      // bank 0: bits 7-5 divisor bit 2 of fans 3-1
constexpr uint8_t kRegTempHigh = 0x50;  // banks 1, 2: signed whole degrees
constexpr uint8_t kRegTempLow = 0x51;   // banks 1, 2: bit 7 the half degree
constexpr uint8_t kHalfDegree = 0x80;
constexpr uint8_t kReg5vsb = 0x50;       // bank 5
constexpr uint8_t kRegVbatValue = 0x51;  // bank 5

constexpr uint8_t kBank0 = 0;
constexpr uint8_t kBankCpu1Temp = 1;
constexpr uint8_t kBankCpu2Temp = 2;
constexpr uint8_t kBankStandby = 5;

// PWM outputs: register, fan; reset duty full.
struct PwmOutput {
    uint8_t reg;
    int fan;  // 0: no fan behind it
};
constexpr PwmOutput kW83782dPwm[] = {{0x5B, 1}, {0x5A, 2}, {0x5E, 3}, {0x5F, 0}};
constexpr PwmOutput kW83627hfPwm[] = {{0x5A, 1}, {0x5B, 2}};
constexpr uint8_t kDutyReset = 0xFF;

// Reference wiring: pin millivolts of inputs 0x20-0x26 and of bank 5's 0x50, 0x51.
constexpr int kPinMillivolts[] = {1500, 1500, 3300, 2976, 3158, 566, 863};
constexpr int k5vsbMillivolts = 2976;
constexpr int kVbatMillivolts = 3000;
constexpr double kMillivoltsPerCount = 16.0;
constexpr int kBank5Input = 0x500;  // drift numbers of bank 5 inputs, apart from 0x20-0x26

constexpr int kSensorSystem = 1;  // scenario sensor numbers: 0x27, bank 1, bank 2
constexpr int kSensorCpu1 = 2;
constexpr int kSensorCpu2 = 3;
constexpr double kSystemCelsius = 32.0;
constexpr double kCpu1Celsius = 45.0;
constexpr double kCpu2Celsius = 47.0;

constexpr double kFullSpeed[3] = {5000.0, 5000.0, 3200.0};

// Fan divisor exponent: bits 1-0 in a two-bit field, bit 2 in a bit of 0x5D.
struct DivisorField {
    uint8_t reg;
    int lowShift;
    int highShift;
};
constexpr DivisorField kDivisorFields[3] = {
    {kRegFanDivisor12, 4, 5},
    {kRegFanDivisor12, 6, 6},
    {kRegPinControl, 6, 7},
};

// The fan counter counts a 22.5 kHz clock over one revolution after the divisor, so
// count = 1350000 / (rpm × divisor); it saturates at 255, which also marks a stopped fan.
constexpr double kCountClockPerMinute = 1350000.0;
constexpr long kLargestCount = 254;
constexpr uint8_t kCountOverflow = 255;

constexpr std::span<const PwmOutput> pwmOutputs(WinbondModel model) {
    return model == WinbondModel::W83782D ? std::span<const PwmOutput>(kW83782dPwm)
                                          : std::span<const PwmOutput>(kW83627hfPwm);
}

int clampToByteRange(long v, long low, long high) { return int(std::clamp(v, low, high)); }

}  // namespace

WinbondEmulator::WinbondEmulator(WinbondModel model, uint8_t serialAddress, ChipEnvironment environment)
    : model_(model),
      environment_(std::move(environment)),
      fans_{FanModel(kFullSpeed[0]), FanModel(kFullSpeed[1]), FanModel(kFullSpeed[2])} {
    common_[kRegConfig] = kConfigReset;
    common_[kRegFanDivisor12] = kFanDivisor12Reset;
    common_[kRegSerialAddress] = serialAddress;
    common_[kRegTempAddresses] = kTempAddressesReset;
    common_[kRegPinControl] = kPinControlReset;
    common_[kRegBeepControl] = kBeepControlReset;
    common_[kRegBankSelect] = kBankSelectReset;
    banked(kBank0, kRegSensorType) = kSensorTypeReset;
    banked(kBank0, kRegPwmClock) = kPwmClockReset;
    for (const PwmOutput& pwm : pwmOutputs(model_)) banked(kBank0, pwm.reg) = kDutyReset;
}

uint8_t WinbondEmulator::fanCount(double rpm, int exponent) {
    if (rpm <= 0.0) return kCountOverflow;
    const long count = std::lround(kCountClockPerMinute / (rpm * double(1 << exponent)));
    if (count > kLargestCount) return kCountOverflow;
    // A turning fan never reads 0 or 1, which the chip reserves for "no measurement".
    return uint8_t(std::max(count, 2L));
}

uint8_t WinbondEmulator::bank() const { return common_[kRegBankSelect] & kBankMask; }

int WinbondEmulator::fanExponent(int fan) const {
    const DivisorField& f = kDivisorFields[fan - 1];
    const uint8_t low = common_[f.reg];
    const uint8_t high = banked_[kBank0][kRegVbat & 0x0F];
    return ((low >> f.lowShift) & 0x03) | (((high >> f.highShift) & 0x01) << 2);
}

int WinbondEmulator::fanOfPwm(uint8_t reg) const {
    for (const PwmOutput& pwm : pwmOutputs(model_))
        if (pwm.reg == reg) return pwm.fan;
    return 0;
}

uint8_t WinbondEmulator::voltageCount(int pinMillivolts, int input, double seconds) const {
    const double millivolts = environment_.voltage(input, pinMillivolts, seconds);
    return uint8_t(clampToByteRange(std::lround(millivolts / kMillivoltsPerCount), 0, 255));
}

uint8_t WinbondEmulator::wholeDegrees(int sensor, double nominal, double seconds) const {
    const double celsius = environment_.temperature(sensor, nominal, seconds);
    return uint8_t(int8_t(clampToByteRange(std::lround(celsius), -128, 127)));
}

bool WinbondEmulator::measure(uint8_t reg, double seconds, uint8_t& value) {
    if (reg >= kRegVoltageFirst && reg <= kRegVoltageLast) {
        value = voltageCount(kPinMillivolts[reg - kRegVoltageFirst], reg, seconds);
        return true;
    }
    if (reg == kRegSystemTemp) {
        value = wholeDegrees(kSensorSystem, kSystemCelsius, seconds);
        return true;
    }
    if (reg >= kRegFan1Count && reg <= kRegFan3Count) {
        const int fan = reg - kRegFan1Count + 1;
        const double rpm = environment_.fanSpeed(fan, fans_[fan - 1].speed(seconds), seconds);
        value = fanCount(rpm, fanExponent(fan));
        return true;
    }
    if (reg == kRegVendorId) {
        value = (common_[kRegBankSelect] & kHighByteSelect) ? kVendorHigh : kVendorLow;
        return true;
    }
    if (reg < kRegBankedFirst || reg > kRegBankedLast) return false;

    const uint8_t b = bank();
    if (b == kBank0 && reg == kRegChipId) {
        value = model_ == WinbondModel::W83782D ? kChipIdW83782d : kChipIdW83627hf;
        return true;
    }
    if ((b == kBankCpu1Temp || b == kBankCpu2Temp) && (reg == kRegTempHigh || reg == kRegTempLow)) {
        const bool cpu1 = b == kBankCpu1Temp;
        const double celsius =
            environment_.temperature(cpu1 ? kSensorCpu1 : kSensorCpu2, cpu1 ? kCpu1Celsius : kCpu2Celsius, seconds);
        // Nine bits in half degrees: the signed whole degrees in 0x50, the half in bit 7 of 0x51.
        const int halves = clampToByteRange(std::lround(celsius * 2.0), -256, 255);
        value = reg == kRegTempHigh ? uint8_t(int8_t(halves >> 1)) : ((halves & 1) ? kHalfDegree : 0);
        return true;
    }
    if (b == kBankStandby && (reg == kReg5vsb || reg == kRegVbatValue)) {
        value = reg == kReg5vsb ? voltageCount(k5vsbMillivolts, kBank5Input + reg, seconds)
                                : voltageCount(kVbatMillivolts, kBank5Input + reg, seconds);
        return true;
    }
    return false;
}

uint8_t WinbondEmulator::read(uint8_t reg, double seconds) {
    uint8_t value = 0;
    if (measure(reg, seconds, value)) return value;
    if (reg >= kRegBankedFirst && reg <= kRegBankedLast) return banked(bank(), reg);
    return common_[reg];
}

void WinbondEmulator::write(uint8_t reg, uint8_t value, double seconds) {
    uint8_t ignored = 0;
    if (measure(reg, seconds, ignored)) return;  // the converter owns measured registers
    if (reg == kRegBankSelect) {
        common_[reg] = value & kBankSelectBits;
    } else if (reg >= kRegBankedFirst && reg <= kRegBankedLast) {
        banked(bank(), reg) = value;
        if (bank() == kBank0)
            if (const int fan = fanOfPwm(reg)) fans_[fan - 1].setDuty(value, seconds);
    } else {
        common_[reg] = value;
    }
}

}  // namespace qvnbdrv::sim
