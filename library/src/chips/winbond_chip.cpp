#include "winbond_chip.h"

#include <algorithm>
#include <array>
#include <optional>

#include "../description_syntax.h"
#include "../scale_code.h"

namespace qvnhwm {

namespace {

// Registers reached from every bank.
constexpr uint8_t kRegConfig = 0x40;      // configuration; bit 0 starts monitoring
constexpr uint8_t kRegSmiMask1 = 0x43;    // SMI# mask, first set
constexpr uint8_t kRegSmiMask2 = 0x44;    // SMI# mask, second set
constexpr uint8_t kRegBeepConfig = 0x4D;  // beep and fan input control
constexpr uint8_t kRegBankSelect = 0x4E;  // bits 2-0 the bank; the rest must survive
constexpr uint8_t kRegVbat = 0x5D;        // VBAT monitor; bits 7-5 divisor bit 2 of fans 3-1
constexpr uint8_t kRegSensorType = 0x59;  // bits 6-4 diode or thermistor per temperature input

constexpr uint8_t kConfigStart = 0x01;
constexpr uint8_t kBeepConfigInit = 0x95;
constexpr uint8_t kSmiMask1Init = 0xFF;  // no SMI# from the first set
constexpr uint8_t kSmiMask2Init = 0x3F;
constexpr uint8_t kVbatInitBits = 0x0F;  // bit 0 VBAT monitoring, bits 3-1 sensor selection
constexpr uint8_t kSensorTypeMask = 0x70;

// Bank select values written whole at start-up: bit 7 set, the bank in bits 2-0.
constexpr uint8_t kBankSelectBank0 = 0x80;
constexpr uint8_t kBankSelectBank4 = 0x84;
constexpr uint8_t kBankMask = 0x07;

// Bank 4, programmed once at start-up.
constexpr uint8_t kRegBank4Setup = 0x50;
constexpr uint8_t kBank4SetupInit = 0x03;

// ADC clock: bits 3-2 of the pin control register, taken from the setting's low two bits.
constexpr uint8_t kRegPinControl = 0x4B;  // bits 7-6 fan 3 divisor, bits 3-2 ADC clock
constexpr uint8_t kAdcClockMask = 0x0C;
constexpr int kAdcClockShift = 2;

// Fans. A divisor is 2^exponent; bits 1-0 of the exponent sit in a two-bit field of
// 0x47 (fans 1, 2) or 0x4B (fan 3), bit 2 in one bit of 0x5D.
constexpr uint8_t kRegFanDivisor12 = 0x47;  // bits 5-4 fan 1, bits 7-6 fan 2
constexpr uint8_t kRegFan1Count = 0x28;     // fans 1-3 at 0x28-0x2A
constexpr uint8_t kRegFan3Count = 0x2A;
constexpr uint8_t kMaxExponent = 6;  // divisor 64, the largest the fan operations program

struct FanDivisorBits {
    uint8_t lowRegister;  // holds exponent bits 1-0
    int lowShift;
    int highShift;  // exponent bit 2 in register 0x5D
};

constexpr FanDivisorBits kFanDivisor[3] = {
    {kRegFanDivisor12, 4, 5},
    {kRegFanDivisor12, 6, 6},
    {kRegPinControl, 6, 7},
};

// The exponent from its two registers: bits 1-0 from the low register, bit 2 from 0x5D.
int fanExponent(const FanDivisorBits& bits, uint8_t low, uint8_t vbat) {
    return ((low >> bits.lowShift) & 0x03) | (((vbat >> bits.highShift) & 0x01) << 2);
}

// The count is 22.5 kHz clock ticks over one revolution (after the divisor), so
// 22500 / count / divisor is revolutions per second, worked out in the integer steps
// 135000 / count / divisor / 6. Counts 0 and 1 are no reading, 255 the counter overflowing
// on a stopped fan.
constexpr int32_t kFanClockPerMinute = 135000;
constexpr int32_t kFanPerSecondDivisor = 6;
constexpr uint8_t kCountOverflow = 255;
constexpr double kSecondsPerMinute = 60.0;

// The true speed is reported even above 255 revolutions per second: cutting it to eight
// bits would turn a fast fan into a slow one.
int32_t fanRevolutionsPerSecond(uint8_t count, int exponent) {
    if (count <= 1 || count == kCountOverflow) return 0;
    return kFanClockPerMinute / count / (1 << exponent) / kFanPerSecondDivisor;
}

// Temperatures: whole degrees, signed, in 0x50 of the selected bank. 0x51 holds the half
// degree; it is read with its partner, but the reading is in whole degrees.
constexpr uint8_t kTempPair1 = 0x81;  // channel codes of the two-register temperatures
constexpr uint8_t kTempPair2 = 0x82;
constexpr uint8_t kRegTempHigh = 0x50;
constexpr uint8_t kRegTempLow = 0x51;
constexpr double kTempFloor = -20.0;  // colder means no sensor on the input, not a reading

// Channel 0x5A reads PWM register 0x5A as a flag: bit 4 set reads 16, else 0.
constexpr uint8_t kFlagChannel = 0x5A;
constexpr uint8_t kFlagBit = 0x10;
constexpr double kFlagSetValue = 16.0;

constexpr uint8_t withBits(uint8_t value, uint8_t mask, uint8_t bits) {
    return uint8_t((value & ~mask) | (bits & mask));
}

}  // namespace

bool WinbondChip::selectBank(uint8_t bank) {
    uint8_t select = 0;
    if (!registers().read(kRegBankSelect, select)) return false;
    return registers().write(kRegBankSelect, withBits(select, kBankMask, bank));
}

bool WinbondChip::modifyRegister(uint8_t reg, uint8_t mask, uint8_t bits) {
    uint8_t value = 0;
    if (!registers().read(reg, value)) return false;
    return registers().write(reg, withBits(value, mask, bits));
}

bool WinbondChip::programFanDivisor(int fan, uint8_t exponent) {
    const FanDivisorBits& bits = kFanDivisor[fan - 1];
    const auto lowMask = uint8_t(0x03 << bits.lowShift);
    const auto highMask = uint8_t(0x01 << bits.highShift);
    return modifyRegister(bits.lowRegister, lowMask, uint8_t((exponent & 0x03) << bits.lowShift)) &&
           modifyRegister(kRegVbat, highMask, uint8_t(((exponent >> 2) & 0x01) << bits.highShift));
}

const PwmPairing* WinbondChip::findPwm(uint8_t pwmRegister) const {
    const auto it = std::find_if(pwmTable_.begin(), pwmTable_.end(),
                                 [&](const PwmPairing& p) { return p.pwmRegister == pwmRegister; });
    return it == pwmTable_.end() ? nullptr : &*it;
}

int32_t WinbondChip::Init() {
    RegisterAccess& r = registers();
    const bool ok = r.write(kRegBankSelect, kBankSelectBank0) && r.write(kRegBeepConfig, kBeepConfigInit) &&
                    r.write(kRegSmiMask1, kSmiMask1Init) && r.write(kRegSmiMask2, kSmiMask2Init) &&
                    r.write(kRegBankSelect, kBankSelectBank4) && r.write(kRegBank4Setup, kBank4SetupInit) &&
                    r.write(kRegBankSelect, kBankSelectBank0) &&
                    modifyRegister(kRegPinControl, kAdcClockMask, uint8_t(adcClock_ << kAdcClockShift)) &&
                    modifyRegister(kRegVbat, kVbatInitBits, kVbatInitBits) &&
                    modifyRegister(kRegSensorType, kSensorTypeMask, diodeBits_) && r.write(kRegConfig, kConfigStart);
    return ok ? 1 : 0;
}

int32_t WinbondChip::GetSensorValue(int32_t bank, int32_t reg, int32_t multiplier, int32_t offset, int32_t resultScale,
                                    int32_t offsetScale, double& value) {
    value = 0.0;
    const std::optional<LinearScale> scale = LinearScale::make(multiplier, offset, resultScale, offsetScale);
    if (!scale) return 0;
    // The bank select is read for the bits beside the bank; the write that selects the
    // bank and the reads behind it depend on nothing read in between, so they go as one run.
    uint8_t select = 0;
    if (!registers().read(kRegBankSelect, select)) return 0;
    const RegisterStep bankWrite = RegisterStep::written(kRegBankSelect, withBits(select, kBankMask, uint8_t(bank)));

    const auto channel = uint8_t(reg);
    if (channel >= kRegFan1Count && channel <= kRegFan3Count) {
        const FanDivisorBits& bits = kFanDivisor[channel - kRegFan1Count];
        std::array steps{bankWrite, RegisterStep::read(bits.lowRegister), RegisterStep::read(kRegVbat),
                         RegisterStep::read(channel)};
        if (!registers().run(steps)) return 0;
        const int exponent = fanExponent(bits, steps[1].value, steps[2].value);
        // A stopped or unmeasured fan reads 0 RPM whatever offset the sensor carries.
        const int32_t perSecond = fanRevolutionsPerSecond(steps[3].value, exponent);
        value = perSecond == 0 ? 0.0 : scale->apply(perSecond) * kSecondsPerMinute;
        return 1;
    }
    if (channel == kTempPair1 || channel == kTempPair2) {
        std::array steps{bankWrite, RegisterStep::read(kRegTempHigh), RegisterStep::read(kRegTempLow)};
        if (!registers().run(steps)) return 0;
        const double degrees = scale->apply(int8_t(steps[1].value));
        value = degrees < kTempFloor ? 0.0 : degrees;
        return 1;
    }
    std::array steps{bankWrite, RegisterStep::read(channel)};
    if (!registers().run(steps)) return 0;
    const uint8_t raw = steps[1].value;
    if (channel == kFlagChannel)
        value = (raw & kFlagBit) ? kFlagSetValue : 0.0;
    else
        value = scale->apply(raw);
    return 1;
}

int32_t WinbondChip::SetFanPWM(int32_t pwmRegister, int32_t exponent, int32_t duty) {
    const uint8_t limited = std::min(uint8_t(exponent), kMaxExponent);
    if (!selectBank(0)) return 0;
    const PwmPairing* pwm = findPwm(uint8_t(pwmRegister));
    if (!pwm) return 0;
    if (pwm->fan != 0 && !programFanDivisor(pwm->fan, limited)) return 0;
    return registers().write(pwm->pwmRegister, uint8_t(duty)) ? 1 : 0;
}

int32_t WinbondChip::SetFanPWM2(int32_t pwmRegister, int32_t countRegister, int32_t exponent, int32_t duty) {
    const uint8_t limited = std::min(uint8_t(exponent), kMaxExponent);
    if (!selectBank(0)) return 0;
    const auto count = uint8_t(countRegister);
    if (count >= kRegFan1Count && count <= kRegFan3Count && !programFanDivisor(count - kRegFan1Count + 1, limited))
        return 0;
    const PwmPairing* pwm = findPwm(uint8_t(pwmRegister));
    if (!pwm) return 0;
    return registers().write(pwm->pwmRegister, uint8_t(duty)) ? 1 : 0;
}

int32_t WinbondChip::GetFanDuty(int32_t pwmRegister, uint8_t& duty) {
    if (!selectBank(0)) return 0;
    const PwmPairing* pwm = findPwm(uint8_t(pwmRegister));
    if (!pwm) return 0;
    uint8_t value = 0;
    if (!registers().read(pwm->pwmRegister, value)) return 0;
    duty = value;
    return 1;
}

bool WinbondChip::configureCommon(std::string_view line) {
    constexpr std::string_view kDiodeTag = settingTag(Setting::Diode);
    constexpr std::string_view kClockTag = settingTag(Setting::Clock);
    if (syntax::carriesTag(line, kDiodeTag)) {
        diodeBits_ = uint8_t(syntax::parseSigned(syntax::tagValue(line, kDiodeTag)));
        return true;
    }
    if (syntax::carriesTag(line, kClockTag)) {
        adcClock_ = uint8_t(syntax::parseUnsigned(syntax::tagValue(line, kClockTag)));
        return true;
    }
    return false;
}

}  // namespace qvnhwm
