#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "chips/w83627hf.h"
#include "chips/w83627hf_lpc.h"
#include "chips/w83782d.h"
#include "driver_channel.h"
#include "fake_board.h"

namespace {

using namespace qvnhwm;
namespace fake = qvnhwm::testing;
using Lines = std::vector<std::string>;

enum class Kind { W782, W627, W627Lpc };

struct Bench {
    fake::FakeBoard board;
    DriverChannel channel{std::make_unique<fake::RecordingTransport>(board)};
    Bench() { channel.Open(); }
};

std::unique_ptr<WinbondChip> makeChip(Kind kind, DriverChannel& channel) {
    switch (kind) {
        case Kind::W782: return std::make_unique<W83782D>(channel);
        case Kind::W627: return std::make_unique<W83627HF>(channel);
        case Kind::W627Lpc: return std::make_unique<W83627HF_2>(channel);
    }
    return nullptr;
}

// Register contents at the default address of the kind.
void setRegister(Bench& b, Kind kind, uint8_t reg, uint8_t value) {
    switch (kind) {
        case Kind::W782: b.board.setSmbus(W83782D::kDefaultSlaveAddress, reg, value); break;
        case Kind::W627: b.board.setSmbus(W83627HF::kDefaultSlaveAddress, reg, value); break;
        case Kind::W627Lpc: b.board.setIndexed(W83627HF_2::kDefaultIndexPort, reg, value); break;
    }
}

TEST(WinbondInit, ProgramsTheChipInOrderKeepingBitsItDoesNotOwn) {
    Bench b;
    W83782D chip(b.channel);
    ASSERT_TRUE(chip.configure("<DIODE>112"));  // 0x70
    ASSERT_TRUE(chip.configure("<CLK>6"));      // only the low two bits reach 0x4B
    b.board.setSmbus(0x5C, 0x4B, 0xF7);
    b.board.setSmbus(0x5C, 0x5D, 0xA0);
    b.board.setSmbus(0x5C, 0x59, 0x8F);

    EXPECT_EQ(chip.Init(), 1);
    EXPECT_EQ(b.board.trace(), (Lines{"SW 5C 4E 80", "SW 5C 4D 95", "SW 5C 43 FF", "SW 5C 44 3F", "SW 5C 4E 84",
                                      "SW 5C 50 03", "SW 5C 4E 80", "SR 5C 4B", "SW 5C 4B FB", "SR 5C 5D",
                                      "SW 5C 5D AF", "SR 5C 59", "SW 5C 59 FF", "SW 5C 40 01"}));

    // Default diode bits 0x30 put 0b011 into bits 6-4; clock code 0 clears bits 3-2.
    Bench d;
    W83627HF other(d.channel);
    d.board.setSmbus(0x58, 0x59, 0xCF);
    d.board.setSmbus(0x58, 0x4B, 0xFF);
    EXPECT_EQ(other.Init(), 1);
    EXPECT_EQ(d.board.get(fake::Space::Smbus, 0x58, 0x59), 0xBF);
    EXPECT_EQ(d.board.get(fake::Space::Smbus, 0x58, 0x4B), 0xF3);
}

TEST(WinbondInit, StopsAtTheFirstFailedRequest) {
    for (size_t failing : {1u, 6u, 8u, 9u, 13u, 14u}) {
        SCOPED_TRACE(failing);
        Bench b;
        W83782D chip(b.channel);
        b.board.failOnly(failing);
        EXPECT_EQ(chip.Init(), 0);
        EXPECT_EQ(b.board.trace().size(), failing);
    }
}

TEST(WinbondReading, FanSpeedsFromCountAndThreePartDivisor) {
    struct Case {
        int reg;
        uint8_t divisorRegister, divisorBits, vbat, count;
        int multiplier, resultScale;
        double expected;
    };
    const Case cases[] = {
        {0x28, 0x47, 0x10, 0x00, 150, 1, 0, 4500.0},   // divisor 2: 135000/150/2/6 = 75
        {0x28, 0x47, 0x10, 0x00, 100, 1, 0, 6720.0},   // 1350/2/6 = 112, in steps of 60
        {0x29, 0x47, 0x00, 0x40, 150, 1, 0, 540.0},    // exponent bit 2 alone: divisor 16
        {0x2A, 0x4B, 0xC0, 0x80, 100, 1, 0, 60.0},     // exponent 7: divisor 128
        {0x28, 0x47, 0x00, 0x00, 2, 1, 0, 675000.0},   // 11250 per second: not cut to 8 bits
        {0x28, 0x47, 0x10, 0x00, 150, 2, 13, 9.0},     // (2 * 75) * 0.001 * 60
        {0x128, 0x47, 0x10, 0x00, 150, 1, 0, 4500.0},  // only the low byte names the register
        {0x28, 0x47, 0x00, 0x00, 0, 5, 0, 0.0},       {0x28, 0x47, 0x00, 0x00, 1, 5, 0, 0.0},
        {0x28, 0x47, 0x00, 0x00, 255, 5, 0, 0.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << std::hex << c.reg << " count " << std::dec << int(c.count));
        Bench b;
        W83782D chip(b.channel);
        const auto countReg = uint8_t(c.reg);
        b.board.setSmbus(0x5C, 0x4E, 0x80);
        b.board.setSmbus(0x5C, c.divisorRegister, c.divisorBits);
        b.board.setSmbus(0x5C, 0x5D, c.vbat);
        b.board.setSmbus(0x5C, countReg, c.count);
        double value = -1.0;
        EXPECT_EQ(chip.GetSensorValue(0, c.reg, c.multiplier, 0, c.resultScale, 0, value), 1);
        EXPECT_DOUBLE_EQ(value, c.expected);
        char divisorRead[16], countRead[16];
        std::snprintf(divisorRead, sizeof divisorRead, "SR 5C %02X", c.divisorRegister);
        std::snprintf(countRead, sizeof countRead, "SR 5C %02X", countReg);
        EXPECT_EQ(b.board.trace(), (Lines{"SR 5C 4E", "SW 5C 4E 80", divisorRead, "SR 5C 5D", countRead}));
    }
}

TEST(WinbondReading, TemperaturesAreSignedAndNothingBelowMinus20) {
    struct Case {
        int code;
        uint8_t byte;
        int multiplier;
        double expected;
    };
    const Case cases[] = {
        {0x81, 0xF6, 1, -10.0}, {0x82, 0x32, 1, 50.0}, {0x81, 0xEC, 1, -20.0},  // the limit itself is a reading
        {0x81, 0xE2, 1, 0.0},                                                   // -30
        {0x82, 0xF6, 2, -20.0}, {0x82, 0xF5, 2, 0.0},  // the rule applies to the scaled value: -22
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << std::hex << c.code << " " << int(c.byte));
        Bench b;
        W83782D chip(b.channel);
        b.board.setSmbus(0x5C, 0x4E, 0xF8);
        b.board.setSmbus(0x5C, 0x50, c.byte);
        b.board.setSmbus(0x5C, 0x51, 0x80);
        double value = 99.0;
        EXPECT_EQ(chip.GetSensorValue(2, c.code, c.multiplier, 0, 0, 0, value), 1);
        EXPECT_DOUBLE_EQ(value, c.expected);
        // Bank 2 replaces bits 2-0 only; the pair is read from the selected bank.
        EXPECT_EQ(b.board.trace(), (Lines{"SR 5C 4E", "SW 5C 4E FA", "SR 5C 50", "SR 5C 51"}));
    }
}

TEST(WinbondReading, PlainRegistersUnsignedAndThe5AFlag) {
    struct Case {
        int bank, reg;
        uint8_t byte;
        int multiplier, resultScale;
        double expected;
    };
    const Case cases[] = {
        {0, 0x27, 0xF6, 1, 0, 246.0}, {0, 0x20, 200, 16, 13, 3.2},
        {0, 0x5A, 0x10, 0, 0, 16.0},                                    // bit 4 set: 16 whatever the frame
        {0, 0x5A, 0xEF, 5, 3, 0.0},   {0x0D, 0x50, 0xF6, 1, 0, 246.0},  // bank 5; register 0x50 alone is unsigned
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << std::hex << c.reg << " " << int(c.byte));
        Bench b;
        W83627HF chip(b.channel);
        b.board.setSmbus(0x58, 0x4E, 0x83);
        b.board.setSmbus(0x58, uint8_t(c.reg), c.byte);
        double value = -1.0;
        EXPECT_EQ(chip.GetSensorValue(c.bank, c.reg, c.multiplier, 0, c.resultScale, 0, value), 1);
        EXPECT_NEAR(value, c.expected, 1e-9);
        char bankWrite[16], read[16];
        std::snprintf(bankWrite, sizeof bankWrite, "SW 58 4E %02X", 0x80 | (c.bank & 7));
        std::snprintf(read, sizeof read, "SR 58 %02X", c.reg);
        EXPECT_EQ(b.board.trace(), (Lines{"SR 58 4E", bankWrite, read}));
    }
}

TEST(WinbondReading, FailureStopsAtOnceAndLeavesZero) {
    // A fan reading makes five requests; failing any one ends it there.
    for (size_t failing = 1; failing <= 5; ++failing) {
        SCOPED_TRACE(failing);
        Bench b;
        W83782D chip(b.channel);
        b.board.setSmbus(0x5C, 0x28, 100);
        b.board.failOnly(failing);
        double value = 99.0;
        EXPECT_EQ(chip.GetSensorValue(0, 0x28, 1, 7, 0, 0, value), 0);
        EXPECT_EQ(value, 0.0);
        EXPECT_EQ(b.board.trace().size(), failing);
    }
    // The second temperature register must be read too.
    Bench t;
    W83782D chip(t.channel);
    t.board.setSmbus(0x5C, 0x50, 0x30);
    t.board.failOnly(4);
    double value = 99.0;
    EXPECT_EQ(chip.GetSensorValue(0, 0x81, 1, 0, 0, 0, value), 0);
    EXPECT_EQ(value, 0.0);

    // A scale code the rule does not cover is refused before any request.
    Bench s;
    W83782D refused(s.channel);
    value = 99.0;
    EXPECT_EQ(refused.GetSensorValue(0, 0x20, 1, 0, 256, 0, value), 0);
    EXPECT_EQ(value, 0.0);
    EXPECT_TRUE(s.board.trace().empty());
}

TEST(WinbondFan, SetFanPwmProgramsThePairedFanPerKind) {
    struct Case {
        Kind kind;
        int pwm, exponent, duty;
        int32_t result;
        Lines traffic;  // after the bank 0 selection
    };
    // Start: divisor fields all ones, 0x5D clear, so every changed bit shows.
    const Case cases[] = {
        // Exponent 9 is limited to 6: low bits 2, bit 2 set.
        {Kind::W782, 0x5A, 9, 0x80, 1, {"R 47", "W 47 BF", "R 5D", "W 5D 40", "W 5A 80"}},
        {Kind::W782, 0x5B, 1, 0x40, 1, {"R 47", "W 47 DF", "R 5D", "W 5D 00", "W 5B 40"}},
        {Kind::W782, 0x5E, 4, 0x20, 1, {"R 4B", "W 4B 3F", "R 5D", "W 5D 80", "W 5E 20"}},
        {Kind::W782, 0x5F, 3, 0x10, 1, {"W 5F 10"}},
        {Kind::W782, 0x5C, 3, 0x10, 0, {}},
        {Kind::W627, 0x5A, 9, 0x80, 1, {"R 47", "W 47 EF", "R 5D", "W 5D 20", "W 5A 80"}},
        {Kind::W627, 0x5B, 0x105, 0x1FF, 1, {"R 47", "W 47 7F", "R 5D", "W 5D 40", "W 5B FF"}},
        {Kind::W627, 0x5B, -1, 0x40, 1, {"R 47", "W 47 BF", "R 5D", "W 5D 40", "W 5B 40"}},
        {Kind::W627, 0x5E, 3, 0x10, 0, {}},
        {Kind::W627, 0x5F, 3, 0x10, 0, {}},
        {Kind::W627Lpc, 0x15A, 2, 0x33, 1, {"R 47", "W 47 EF", "R 5D", "W 5D 00", "W 5A 33"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << int(c.kind) << " pwm " << std::hex << c.pwm << " exp " << c.exponent);
        Bench b;
        auto chip = makeChip(c.kind, b.channel);
        setRegister(b, c.kind, 0x4E, 0x83);
        setRegister(b, c.kind, 0x47, 0xFF);
        setRegister(b, c.kind, 0x4B, 0xFF);
        EXPECT_EQ(chip->SetFanPWM(c.pwm, c.exponent, c.duty), c.result);
        Lines expected{"R 4E", "W 4E 80"};
        expected.insert(expected.end(), c.traffic.begin(), c.traffic.end());
        EXPECT_EQ(fake::registerTraffic(b.board.trace()), expected);
    }
}

TEST(WinbondFan, SetFanPwm2ProgramsTheCountRegistersFan) {
    struct Case {
        Kind kind;
        int pwm, countReg, exponent, duty;
        int32_t result;
        Lines traffic;
    };
    const Case cases[] = {
        // An unaccepted PWM register still gets its fan divisor changed, then fails.
        {Kind::W627, 0x5E, 0x29, 3, 0x10, 0, {"R 47", "W 47 FF", "R 5D", "W 5D 00"}},
        {Kind::W782, 0x5F, 0x2A, 7, 0x10, 1, {"R 4B", "W 4B BF", "R 5D", "W 5D 80", "W 5F 10"}},
        {Kind::W782, 0x5A, 0x128, 0, 0x22, 1, {"R 47", "W 47 CF", "R 5D", "W 5D 00", "W 5A 22"}},
        {Kind::W627, 0x5A, 0x30, 3, 0x44, 1, {"W 5A 44"}},  // not a count register
        {Kind::W627, 0x60, 0x30, 3, 0x44, 0, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << std::hex << c.pwm << " count " << c.countReg);
        Bench b;
        auto chip = makeChip(c.kind, b.channel);
        setRegister(b, c.kind, 0x4E, 0x80);
        setRegister(b, c.kind, 0x47, 0xFF);
        setRegister(b, c.kind, 0x4B, 0xFF);
        EXPECT_EQ(chip->SetFanPWM2(c.pwm, c.countReg, c.exponent, c.duty), c.result);
        Lines expected{"R 4E", "W 4E 80"};
        expected.insert(expected.end(), c.traffic.begin(), c.traffic.end());
        EXPECT_EQ(fake::registerTraffic(b.board.trace()), expected);
    }
}

TEST(WinbondFan, GetFanDutyReadsOnlyAcceptedRegisters) {
    Bench b;
    W83782D w782(b.channel);
    b.board.setSmbus(0x5C, 0x4E, 0x82);
    b.board.setSmbus(0x5C, 0x5E, 0x7F);
    uint8_t duty = 0;
    EXPECT_EQ(w782.GetFanDuty(0x5E, duty), 1);
    EXPECT_EQ(duty, 0x7F);
    EXPECT_EQ(b.board.trace(), (Lines{"SR 5C 4E", "SW 5C 4E 80", "SR 5C 5E"}));

    Bench c;
    W83627HF w627(c.channel);
    c.board.setSmbus(0x58, 0x4E, 0x86);
    c.board.setSmbus(0x58, 0x5E, 0x7F);
    duty = 0xAA;
    EXPECT_EQ(w627.GetFanDuty(0x5E, duty), 0);
    EXPECT_EQ(duty, 0xAA);
    EXPECT_EQ(c.board.trace(), (Lines{"SR 58 4E", "SW 58 4E 80"}));

    // A failed duty read leaves the caller's byte alone.
    c.board.clearRequests();
    c.board.failOnly(3);
    EXPECT_EQ(w627.GetFanDuty(0x5A, duty), 0);
    EXPECT_EQ(duty, 0xAA);
}

TEST(WinbondFan, FailureStopsTheFanOperationThere) {
    for (size_t failing = 1; failing <= 7; ++failing) {
        SCOPED_TRACE(failing);
        Bench b;
        W83782D chip(b.channel);
        b.board.failOnly(failing);
        EXPECT_EQ(chip.SetFanPWM(0x5E, 2, 0x40), 0);
        EXPECT_EQ(b.board.trace().size(), failing);
    }
}

// The LPC wiring runs the very same programme: same register traffic, same results.
TEST(WinbondLpc, MatchesTheSmbusChipRegisterForRegister) {
    const std::pair<uint8_t, uint8_t> contents[] = {
        {0x4E, 0x80}, {0x47, 0x5A}, {0x4B, 0x93}, {0x5D, 0xA1}, {0x59, 0x0C}, {0x28, 120},  {0x29, 0},
        {0x2A, 33},   {0x50, 0xF1}, {0x51, 0x80}, {0x5A, 0x17}, {0x5B, 0x60}, {0x20, 0xC8},
    };
    auto run = [&](Kind kind, Bench& b, std::vector<double>& results) {
        auto chip = makeChip(kind, b.channel);
        if (kind == Kind::W627Lpc) {
            ASSERT_TRUE(chip->configure("<LPCADD>656"));
            for (auto [reg, value] : contents) b.board.setIndexed(656, reg, value);
        } else {
            for (auto [reg, value] : contents) b.board.setSmbus(0x58, reg, value);
        }
        ASSERT_TRUE(chip->configure("<CLK>2"));
        results.push_back(chip->Init());
        for (int reg : {0x28, 0x29, 0x2A, 0x81, 0x82, 0x5A, 0x20, 0x51}) {
            double value = -1.0;
            results.push_back(chip->GetSensorValue(reg == 0x82 ? 1 : 0, reg, 3, 2, 0, 15, value));
            results.push_back(value);
        }
        results.push_back(chip->SetFanPWM(0x5A, 5, 0x40));
        results.push_back(chip->SetFanPWM(0x5B, 12, 0x41));
        results.push_back(chip->SetFanPWM(0x5E, 1, 0x42));
        results.push_back(chip->SetFanPWM2(0x5B, 0x2A, 3, 0x43));
        results.push_back(chip->SetFanPWM2(0x5F, 0x28, 1, 0x44));
        uint8_t duty = 0;
        results.push_back(chip->GetFanDuty(0x5B, duty));
        results.push_back(duty);
    };
    Bench smbus, lpc;
    std::vector<double> smbusResults, lpcResults;
    run(Kind::W627, smbus, smbusResults);
    run(Kind::W627Lpc, lpc, lpcResults);

    EXPECT_EQ(lpcResults, smbusResults);
    EXPECT_EQ(fake::registerTraffic(lpc.board.trace()), fake::registerTraffic(smbus.board.trace()));
    for (const std::string& line : lpc.board.trace())
        EXPECT_TRUE(line.rfind("IR 290 ", 0) == 0 || line.rfind("IW 290 ", 0) == 0) << line;
}

TEST(WinbondSettings, DefaultsAndDescriptionLines) {
    Bench b;
    W83782D w782(b.channel);
    W83627HF w627(b.channel);
    W83627HF_2 lpc(b.channel);
    EXPECT_EQ(w782.slaveAddress(), 0x5C);
    EXPECT_EQ(w627.slaveAddress(), 0x58);
    EXPECT_EQ(lpc.indexPort(), 0x295u);
    for (const WinbondChip* chip : {static_cast<WinbondChip*>(&w782), static_cast<WinbondChip*>(&lpc)}) {
        EXPECT_EQ(chip->diodeBits(), 0x30);
        EXPECT_EQ(chip->adcClock(), 0);
    }

    struct SlaveCase {
        const char* line;
        bool handled;
        uint8_t address;
    };
    const SlaveCase slaveCases[] = {
        {"<SLVADD> 90", true, 90},  // leading blanks before a number are allowed
        {"<SLVADD>0x5A", true, 0},  // decimal: reading stops at the x
        {"<slvadd>300", true, 44},  // tag in any case; low eight bits kept
        {"<LPCADD>656", false, 0x5C}, {"<BOARD>4730", false, 0x5C},
    };
    for (const SlaveCase& c : slaveCases) {
        SCOPED_TRACE(c.line);
        W83782D chip(b.channel);
        EXPECT_EQ(chip.configure(c.line), c.handled);
        EXPECT_EQ(chip.slaveAddress(), c.address);
    }

    EXPECT_TRUE(w627.configure("<DIODE>304"));
    EXPECT_EQ(w627.diodeBits(), 0x30);
    EXPECT_TRUE(w627.configure("<CLK>-1"));  // read unsigned, low eight bits kept
    EXPECT_EQ(w627.adcClock(), 0xFF);
    EXPECT_TRUE(w627.configure("<SLVADD>92"));
    EXPECT_EQ(w627.slaveAddress(), 0x5C);

    EXPECT_TRUE(lpc.configure("<LPCADD>70000"));  // the whole number, not a byte
    EXPECT_EQ(lpc.indexPort(), 70000u);
    EXPECT_FALSE(lpc.configure("<SLVADD>90"));
    EXPECT_TRUE(lpc.configure("<Diode>112"));
    EXPECT_EQ(lpc.diodeBits(), 0x70);
}

}  // namespace
