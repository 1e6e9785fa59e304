#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "chips/intel_xeon.h"
#include "chips/n87366.h"
#include "chips/w83627hf.h"
#include "chips/w83627hf_lpc.h"
#include "chips/w83782d.h"
#include "sim_transport.h"

namespace qvnbdrv {
namespace {

using testing::boardOf;
using testing::chipOf;
using testing::reading;
using testing::SimBench;

const ChipDescription kW83782d = chipOf(ChipKind::W83782D, "HWM1", 0x5C);
const ChipDescription kW83627hf = chipOf(ChipKind::W83627HF, "HWM2", 0x58);
const ChipDescription kW83627hfLpc = chipOf(ChipKind::W83627HF_2, "HWM3", 0x295);
const ChipDescription kPc87366 = chipOf(ChipKind::N87366, "SIO", 0x2E);
const ChipDescription kXeon4730 = chipOf(ChipKind::IntelXeon, "CPU1", 0x30, true);

struct Raw {
    int bank;
    int code;
    double value;
};

TEST(SimulatedWinbond, LibraryReadsTheReferenceWiring) {
    SimBench b(boardOf({kW83782d}));
    qvnhwm::W83782D chip(b.channel);
    ASSERT_EQ(chip.Init(), 1);
    const Raw expected[] = {
        {0, 0x20, 94},
        {0, 0x21, 94},
        {0, 0x22, 206},
        {0, 0x23, 186},
        {0, 0x24, 197},
        {0, 0x25, 35},
        {0, 0x26, 54},
        {5, 0x50, 186},
        {5, 0x51, 188},
        {0, 0x27, 32},
        {1, 0x81, 45},
        {2, 0x82, 47},
        // Fans at divisor 2 through the library's integer steps of 60 rpm: 5000, 5000, 3200.
        {0, 0x28, 4980},
        {0, 0x29, 4980},
        {0, 0x2A, 3180},
    };
    for (const Raw& r : expected) {
        SCOPED_TRACE(r.code);
        EXPECT_EQ(reading(chip, r.bank, r.code), r.value);
    }
}

TEST(SimulatedWinbond, DutyDrivesTheFanOfEachKindsPwmWiring) {
    struct Case {
        ChipDescription chip;
        uint8_t pwm;
        int stoppedFan;  // 0: no fan follows this register
    };
    const Case cases[] = {
        {kW83782d, 0x5B, 1},  {kW83782d, 0x5A, 2},  {kW83782d, 0x5E, 3},  {kW83782d, 0x5F, 0},
        {kW83627hf, 0x5A, 1}, {kW83627hf, 0x5B, 2}, {kW83627hf, 0x5E, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << kindName(c.chip.kind) << " PWM " << std::hex << int(c.pwm));
        SimBench b(boardOf({c.chip}));
        const auto address = uint8_t(c.chip.address);
        ASSERT_TRUE(b.board.smbusWrite(address, c.pwm, 0));
        b.advance(2.0);  // past the spin-down
        for (int fan = 1; fan <= 3; ++fan) {
            uint8_t count = 0;
            ASSERT_TRUE(b.board.smbusRead(address, uint8_t(0x27 + fan), count));
            if (fan == c.stoppedFan)
                EXPECT_EQ(count, 255) << "fan " << fan;
            else
                EXPECT_LT(count, 255) << "fan " << fan;
        }
    }
}

TEST(SimulatedWinbond, FanSpeedFollowsDutyThroughTheLibrary) {
    SimBench b(boardOf({kW83782d}));
    qvnhwm::W83782D chip(b.channel);
    ASSERT_EQ(chip.Init(), 1);

    // Half duty is 0.5 + 0.5 × 128/255 of 5000 rpm, about 3755; divisor 4 keeps it in range.
    ASSERT_EQ(chip.SetFanPWM2(0x5B, 0x28, 2, 128), 1);
    const double starting = reading(chip, 0, 0x28);
    b.advance(0.75);
    const double halfway = reading(chip, 0, 0x28);
    EXPECT_GT(halfway, 3755.0);
    EXPECT_LT(halfway, starting);
    b.advance(1.0);
    EXPECT_NEAR(reading(chip, 0, 0x28), 3755.0, 60.0);

    ASSERT_EQ(chip.SetFanPWM2(0x5B, 0x28, 1, 0), 1);
    b.advance(2.0);
    EXPECT_EQ(reading(chip, 0, 0x28), 0.0);
    EXPECT_EQ(reading(chip, 0, 0x29), 4980.0);  // the other fan keeps turning
}

TEST(SimulatedWinbond, CountFollowsTheDivisorTheLibraryProgrammes) {
    // 5000 rpm: count = 1350000 / (5000 × 2^exponent), overflowing at divisor 1. Exponents
    // 4 and up need bit 2 in register 0x5D.
    const std::pair<int, uint8_t> cases[] = {{0, 255}, {1, 135}, {2, 68}, {3, 34}, {5, 8}, {6, 4}};
    for (const auto& [exponent, count] : cases) {
        SCOPED_TRACE(exponent);
        SimBench b(boardOf({kW83782d}));
        qvnhwm::W83782D chip(b.channel);
        ASSERT_EQ(chip.SetFanPWM(0x5B, exponent, 255), 1);
        uint8_t raw = 0;
        ASSERT_TRUE(b.board.smbusRead(0x5C, 0x28, raw));
        EXPECT_EQ(raw, count);
    }
}

TEST(SimulatedWinbond, BankSelectKeepsItsDefinedBitsAndBanksOnlyTheUpperRegisters) {
    SimBench b(boardOf({kW83782d, kW83627hf}));
    uint8_t v = 0;
    EXPECT_TRUE(b.board.smbusRead(0x5C, 0x58, v) && v == 0x30);  // chip ids in bank 0
    EXPECT_TRUE(b.board.smbusRead(0x58, 0x58, v) && v == 0x21);

    ASSERT_TRUE(b.board.smbusWrite(0x5C, 0x4E, 0xFF));
    EXPECT_TRUE(b.board.smbusRead(0x5C, 0x4E, v) && v == 0x87);  // reserved bits 6-3 read 0
    ASSERT_TRUE(b.board.smbusWrite(0x5C, 0x4E, 0x01));
    EXPECT_TRUE(b.board.smbusRead(0x5C, 0x58, v) && v == 0x00);  // bank 1 has no chip id
    EXPECT_TRUE(b.board.smbusRead(0x5C, 0x22, v) && v == 206);   // 0x20-0x2F are in every bank
    EXPECT_TRUE(b.board.smbusRead(0x5C, 0x4F, v) && v == 0xA3);  // vendor id low byte with bit 7 clear
}

TEST(SimulatedWinbond, IndexPortChipReadsExactlyLikeTheSmbusOne) {
    // Same seed, same chip position, so both boards drift alike.
    SimBench smbus(boardOf({kW83627hf}));
    SimBench lpc(boardOf({kW83627hfLpc}));
    qvnhwm::W83627HF a(smbus.channel);
    qvnhwm::W83627HF_2 c(lpc.channel);
    ASSERT_EQ(a.Init(), 1);
    ASSERT_EQ(c.Init(), 1);

    const auto readAll = [](qvnhwm::MonitorChip& chip) {
        std::vector<double> values;
        for (int reg = 0x20; reg <= 0x2A; ++reg) values.push_back(reading(chip, 0, reg));
        for (int bank : {1, 2}) values.push_back(reading(chip, bank, 0x81));
        for (int reg : {0x50, 0x51}) values.push_back(reading(chip, 5, reg));
        return values;
    };
    EXPECT_EQ(readAll(a), readAll(c));
    ASSERT_EQ(a.SetFanPWM2(0x5B, 0x29, 2, 40), 1);
    ASSERT_EQ(c.SetFanPWM2(0x5B, 0x29, 2, 40), 1);
    smbus.advance(777.0);
    lpc.advance(777.0);
    EXPECT_EQ(readAll(a), readAll(c));
}

TEST(SimulatedPc87366, LibraryFindsTheUnitsAndReadsTheReferenceWiring) {
    SimBench b(boardOf({kPc87366}));
    qvnhwm::N87366 chip(b.channel);
    ASSERT_EQ(chip.Init(), 1);
    EXPECT_EQ(chip.fanBase(), 0x600u);
    EXPECT_EQ(chip.voltageBase(), 0x620u);
    EXPECT_EQ(chip.temperatureBase(), 0x640u);

    const double volts[] = {129, 129, 142, 216, 207, 43, 86, 216, 142, 129, 0, 0, 0, 0};
    for (int ch = 0; ch < 14; ++ch) EXPECT_EQ(reading(chip, 0, 0x30 + ch), volts[ch]) << "channel " << ch;
    EXPECT_EQ(reading(chip, 0, 0x60), 45.0);
    EXPECT_EQ(reading(chip, 0, 0x61), 47.0);
    EXPECT_EQ(reading(chip, 0, 0x62), 32.0);
    // 4500, 4500 and 3000 rpm at divisor code 1, through the library's integer steps.
    EXPECT_EQ(reading(chip, 0, 1), 4440.0);
    EXPECT_EQ(reading(chip, 0, 2), 4440.0);
    EXPECT_EQ(reading(chip, 0, 3), 3000.0);

    // The temperature unit's setup bank keeps what Init wrote.
    std::vector<uint8_t> setup;
    ASSERT_TRUE(b.board.writePort(0x649, 0x0F));
    for (uint32_t p = 0x64A; p <= 0x64E; ++p) {
        uint8_t v = 0;
        ASSERT_TRUE(b.board.readPort(p, v));
        setup.push_back(v);
    }
    EXPECT_EQ(setup, (std::vector<uint8_t>{0x08, 0x05, 0x35, 0x3D, 0x3D}));
}

TEST(SimulatedPc87366, StatusBitsPollAsTheMonitorsReportThem) {
    SimBench b(boardOf({kPc87366}));
    const auto port = [&](uint32_t p) {
        uint8_t v = 0;
        EXPECT_TRUE(b.board.readPort(p, v));
        return v;
    };
    // Fan 1: ready, then not ready on the first poll after its count is read.
    EXPECT_EQ(port(0x608), 0x21);  // divisor code 1, ready
    EXPECT_EQ(port(0x607), 107);   // 960000 / (4500 × 2)
    EXPECT_EQ(port(0x608) & 0x01, 0);
    EXPECT_EQ(port(0x608) & 0x01, 1);
    // The divisor code is the status register's bits 6-5.
    ASSERT_TRUE(b.board.writePort(0x608, 0x60));
    EXPECT_EQ(port(0x607), 27);  // 960000 / (4500 × 8)

    // Voltage conversion: not done on the first poll, done from then on, cleared by 0x80.
    ASSERT_TRUE(b.board.writePort(0x629, 4));
    ASSERT_TRUE(b.board.writePort(0x62A, 0x01));
    EXPECT_EQ(port(0x62A) & 0x80, 0);
    EXPECT_EQ(port(0x62A) & 0x80, 0x80);
    EXPECT_EQ(port(0x62A) & 0x80, 0x80);
    EXPECT_EQ(port(0x62B), 207);
    ASSERT_TRUE(b.board.writePort(0x62A, 0x80));
    EXPECT_EQ(port(0x62A) & 0x80, 0);
}

TEST(SimulatedPc87366, UnitsMoveWithTheirConfiguredBase) {
    SimBench b(boardOf({kPc87366}));
    uint8_t v = 0;
    ASSERT_TRUE(b.board.readIndexed(0x2E, 0x20, v));
    EXPECT_EQ(v, 0xE9);
    ASSERT_TRUE(b.board.writeIndexed(0x2E, 0x07, 0x09));
    ASSERT_TRUE(b.board.writeIndexed(0x2E, 0x60, 0x07));
    ASSERT_TRUE(b.board.readPort(0x707, v));
    EXPECT_EQ(v, 107);
    ASSERT_TRUE(b.board.readPort(0x607, v));
    EXPECT_EQ(v, 0xFF);  // nothing decodes the old block any more
}

TEST(SimulatedXeon, BusyForTwoStatusReadsAfterEachTemperatureRead) {
    SimBench b(boardOf({chipOf(ChipKind::IntelXeon, "CPU1", 0x30)}));
    std::vector<uint8_t> statuses;
    for (int round = 0; round < 2; ++round) {
        for (int i = 0; i < 3; ++i) {
            uint8_t s = 0;
            ASSERT_TRUE(b.board.smbusRead(0x30, 0x02, s));
            statuses.push_back(s & 0x80);
        }
        uint8_t t = 0;
        ASSERT_TRUE(b.board.smbusRead(0x30, 0x01, t));
        EXPECT_EQ(t, 48);
    }
    EXPECT_EQ(statuses, (std::vector<uint8_t>{0x80, 0x80, 0, 0x80, 0x80, 0}));

    qvnhwm::IntelXeon chip(b.channel);
    ASSERT_EQ(chip.Init(), 1);
    EXPECT_EQ(reading(chip, 0, 0), 48.0);
}

TEST(SimulatedXeon, OnBoard4730OnlyPort50FRoutesTheSensorIn) {
    const auto plain = chipOf(ChipKind::IntelXeon, "CPU2", 0x32);
    SimBench b(boardOf({kXeon4730, plain}));
    const std::pair<uint8_t, bool> routes[] = {{0x18, false}, {0x10, true}, {0x00, false}, {0x08, false}, {0xF7, true}};
    for (const auto& [route, answers] : routes) {
        SCOPED_TRACE(route);
        ASSERT_TRUE(b.board.writePort(0x50F, route));
        uint8_t v = 0;
        EXPECT_EQ(b.board.smbusRead(0x30, 0x01, v), answers);
        EXPECT_TRUE(b.board.smbusRead(0x32, 0x01, v));  // a sensor that names no board is never switched
    }

    ASSERT_TRUE(b.board.writePort(0x50F, 0x18));
    qvnhwm::IntelXeon chip(b.channel);
    ASSERT_TRUE(chip.configure("<BOARD>4730"));
    ASSERT_EQ(chip.Init(), 1);
    EXPECT_EQ(reading(chip, 0, 0), 48.0);
    uint8_t route = 0;
    ASSERT_TRUE(b.board.readPort(0x50F, route));
    EXPECT_EQ(route, 0x18);  // switched back after the reading
}

TEST(SimulatedBoard, AnswersLikeTheBusesItStandsFor) {
    SimBench b(boardOf({kW83782d}));
    uint8_t v = 0;
    EXPECT_FALSE(b.board.smbusRead(0x5E, 0x58, v));  // no slave at 0x2F acknowledges
    EXPECT_FALSE(b.board.smbusWrite(0x5E, 0x40, 1));
    EXPECT_TRUE(b.board.readPort(0x300, v));  // an empty ISA port floats high
    EXPECT_EQ(v, 0xFF);
    EXPECT_TRUE(b.board.writePort(0x300, 0x12));
    EXPECT_TRUE(b.board.readPort(0x300, v));
    EXPECT_EQ(v, 0xFF);

    // The board's slaves sit on its own host controller (ICH, family 1).
    EXPECT_FALSE(b.board.chooseHost(3));
    EXPECT_TRUE(b.board.chooseHost(0));
    EXPECT_FALSE(b.board.smbusRead(0x5C, 0x58, v));
    EXPECT_TRUE(b.board.chooseHost(1));
    EXPECT_TRUE(b.board.smbusRead(0x5C, 0x58, v));
}

TEST(SimulatedBoard, RefusesTwoChipsOnOneAddress) {
    EXPECT_THROW({ SimBench b(boardOf({kW83782d, chipOf(ChipKind::IntelXeon, "X", 0x5C)})); }, BoardFileError);
    EXPECT_THROW({ SimBench b(boardOf({kPc87366, chipOf(ChipKind::W83627HF_2, "L", 0x2F)})); }, BoardFileError);
}

TEST(SimulatedBoard, ReadingsDriftWithinTheirBoundsAndRepeatForASeed) {
    const auto sample = [](uint64_t seed) {
        sim::Scenario s;
        s.seed = seed;
        SimBench b(boardOf({kW83782d}), s);
        std::vector<uint8_t> values;
        for (int step = 0; step < 600; ++step) {
            b.advance(7.0);
            for (uint8_t reg : {0x24, 0x28, 0x27}) {
                uint8_t v = 0;
                EXPECT_TRUE(b.board.smbusRead(0x5C, reg, v));
                values.push_back(v);
            }
        }
        return values;
    };
    const std::vector<uint8_t> first = sample(11);
    EXPECT_EQ(first, sample(11));
    EXPECT_NE(first, sample(12));

    bool moved = false;
    for (size_t i = 0; i < first.size(); i += 3) {
        // Within the bounds plus one count of rounding: +12 V 1 %, fan count 2 %.
        EXPECT_NEAR(first[i], 197, 197 * 0.01 + 1);
        EXPECT_NEAR(first[i + 1], 135, 135 * 0.02 + 1);
        EXPECT_NEAR(int8_t(first[i + 2]), 32, 3);  // system temperature within a few degrees
        moved = moved || first[i] != 197 || first[i + 2] != 32;
    }
    EXPECT_TRUE(moved);
}

}  // namespace
}  // namespace qvnbdrv
