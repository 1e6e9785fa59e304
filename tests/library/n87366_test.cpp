#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "chips/n87366.h"
#include "driver_channel.h"
#include "fake_board.h"

namespace {

using namespace qvnhwm;
namespace fake = qvnhwm::testing;
using Lines = std::vector<std::string>;

// Fan unit at 0x800, voltage unit at 0x900, temperature unit at 0xA00: the configuration
// registers answer the three logical devices in the order Init asks for them.
struct Bench {
    fake::FakeBoard board;
    DriverChannel channel{std::make_unique<fake::RecordingTransport>(board)};
    N87366 chip{channel};

    Bench() {
        channel.Open();
        board.script(fake::Space::Indexed, 0x2E, 0x60, {0x08, 0x09, 0x0A});
        board.script(fake::Space::Indexed, 0x2E, 0x61, {0x00, 0x00, 0x00});
    }
    // Init, then a clean trace for the operation under test.
    void ready() {
        ASSERT_EQ(chip.Init(), 1);
        board.clearRequests();
    }
};

TEST(N87366Settings, IndexPortAndDataPort) {
    Bench b;
    EXPECT_EQ(b.chip.indexPort(), 0x2Eu);
    EXPECT_EQ(b.chip.dataPort(), 0x2Fu);
    EXPECT_TRUE(b.chip.configure("<IDXREG>78"));
    EXPECT_EQ(b.chip.indexPort(), 0x4Eu);
    EXPECT_EQ(b.chip.dataPort(), 0x4Fu);
    EXPECT_TRUE(b.chip.configure("<idxreg> 46"));
    EXPECT_EQ(b.chip.indexPort(), 46u);
    EXPECT_EQ(b.chip.dataPort(), 47u);
    EXPECT_FALSE(b.chip.configure("<SLVADD>90"));
    EXPECT_EQ(b.chip.indexPort(), 46u);
}

TEST(N87366Init, LocatesTheUnitsAndSetsUpTheTemperatureMonitor) {
    Bench b;
    EXPECT_EQ(b.chip.Init(), 1);
    EXPECT_EQ(b.chip.fanBase(), 0x800u);
    EXPECT_EQ(b.chip.voltageBase(), 0x900u);
    EXPECT_EQ(b.chip.temperatureBase(), 0xA00u);
    EXPECT_EQ(b.board.trace(),
              (Lines{"IW 2E 07 09", "IR 2E 60", "IR 2E 61", "IW 2E 07 0D", "IR 2E 60", "IR 2E 61", "IW 2E 07 0E",
                     "IR 2E 60", "IR 2E 61", "PW A08 00", "PW 908 00", "PW A08 00", "PW A09 0F", "PW A0A 08",
                     "PW A0B 05", "PW A0C 35", "PW A0D 3D", "PW A0E 3D"}));
}

TEST(N87366Init, OnlyTheFanUnitAndTheSetupWritesMustSucceed) {
    Bench fan;
    fan.board.failOnly(3);
    EXPECT_EQ(fan.chip.Init(), 0);
    EXPECT_EQ(fan.board.trace().size(), 3u);

    // The voltage unit not answering leaves its base unset and goes on.
    Bench voltage;
    voltage.board.failOnly(5);
    EXPECT_EQ(voltage.chip.Init(), 1);
    EXPECT_EQ(voltage.chip.voltageBase(), 0u);
    EXPECT_EQ(voltage.board.trace().at(9), "PW 8 00");

    Bench setup;
    setup.board.failOnly(14);
    EXPECT_EQ(setup.chip.Init(), 0);
    EXPECT_EQ(setup.board.trace().size(), 14u);
}

TEST(N87366Reading, FanSpeeds) {
    struct Case {
        int code;
        uint8_t status, count;
        int multiplier, offset;
        double expected;
    };
    const Case cases[] = {
        {1, 0x21, 100, 1, 0, 4800.0},    // 160 / 2 = 80 per second
        {1, 0x01, 50, 1, 0, 19200.0},    // 320 per second: kept whole, not cut to a byte
        {0x101, 0x01, 50, 1, 0, 19200.0},
        {3, 0x61, 254, 1, 0, 420.0},     // 62 / 8 truncated to 7
        {3, 0x61, 255, 1, 0, 0.0},       // a saturated counter: too slow to measure, or stopped
        {2, 0x01, 0, 7, 0, 0.0},         // no count: speed 0, never a division by it
        {2, 0x01, 0, 7, 2, 0.0},         // an offset does not make a stopped fan turn
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "code " << c.code << " count " << int(c.count));
        Bench b;
        b.ready();
        const int fan = (c.code & 0xFF) - 1;
        b.board.setPort(0x808 + 3 * fan, c.status);
        b.board.setPort(0x807 + 3 * fan, c.count);
        double value = -1.0;
        EXPECT_EQ(b.chip.GetSensorValue(0, c.code, c.multiplier, c.offset, 0, 0, value), 1);
        EXPECT_DOUBLE_EQ(value, c.expected);
    }
}

TEST(N87366Reading, FanRequestSequence) {
    // Overflow seen: acknowledged, then a count that never shows ready is read anyway.
    Bench overflow;
    overflow.ready();
    overflow.board.setPort(0x80B, 0x24);
    overflow.board.setPort(0x80A, 100);
    double value = 0.0;
    EXPECT_EQ(overflow.chip.GetSensorValue(0, 2, 1, 0, 0, 0, value), 1);
    // The acknowledgement keeps the divisor bits (0x20) that share the register.
    EXPECT_EQ(overflow.board.trace(), (Lines{"IW 2E 07 09", "PR 80B", "PR 80B", "PW 80B 24", "PR 80B", "PR 80B",
                                             "PR 80B", "PR 80B", "PR 80B", "PR 80A"}));

    // Ready on the second poll: polling stops there.
    Bench ready;
    ready.ready();
    ready.board.script(fake::Space::Port, 0x80B, 0, {0x20, 0x20, 0x21});
    ready.board.setPort(0x80A, 100);
    EXPECT_EQ(ready.chip.GetSensorValue(0, 2, 1, 0, 0, 0, value), 1);
    EXPECT_DOUBLE_EQ(value, 4800.0);
    EXPECT_EQ(ready.board.trace(), (Lines{"IW 2E 07 09", "PR 80B", "PR 80B", "PR 80B", "PR 80B", "PR 80A"}));
}

TEST(N87366Reading, VoltagesUnsignedTemperaturesSigned) {
    struct Case {
        int code;
        uint32_t valuePort;
        uint8_t byte;
        int multiplier, resultScale, offset, offsetScale;
        double expected;
    };
    const Case cases[] = {
        {0x30, 0x90B, 200, 16, 13, 0, 0, 3.2},
        {0x3D, 0x90B, 0xF6, 1, 0, 0, 0, 246.0},
        {0x131, 0x90B, 0x10, 1, 0, 0, 0, 16.0},
        {0x62, 0xA0B, 0xF6, 1, 0, 0, 0, -10.0},
        {0x60, 0xA0B, 40, 1, 0, 5, -15, 40.5},  // -15 counts as 15: offset times 0.1
        {0x61, 0xA0B, 40, 1, 0, 5, 0xF0, 40.5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << std::hex << "code " << c.code);
        Bench b;
        b.ready();
        b.board.setPort(c.valuePort, c.byte);
        double value = -1.0;
        EXPECT_EQ(b.chip.GetSensorValue(0, c.code, c.multiplier, c.offset, c.resultScale, c.offsetScale, value),
                  1);
        EXPECT_NEAR(value, c.expected, 1e-9);
    }

    // Channel select, start, up to four polls for done, value, acknowledge.
    Bench b;
    b.ready();
    double value = 0.0;
    EXPECT_EQ(b.chip.GetSensorValue(0, 0x131, 1, 0, 0, 0, value), 1);
    EXPECT_EQ(b.board.trace(), (Lines{"IW 2E 07 0D", "PW 909 01", "PW 90A 01", "PR 90A", "PR 90A", "PR 90A",
                                      "PR 90A", "PR 90B", "PW 90A 80"}));
    b.board.clearRequests();
    EXPECT_EQ(b.chip.GetSensorValue(0, 0x61, 1, 0, 0, 0, value), 1);
    EXPECT_EQ(b.board.trace().front(), "IW 2E 07 0E");
    EXPECT_EQ(b.board.trace().at(1), "PW A09 01");
}

TEST(N87366Reading, UnknownCodesFailuresAndRefusedScalesReadZero) {
    for (int code : {0, 4, 0x2F, 0x3E, 0x5F, 0x63, 0x100}) {
        SCOPED_TRACE(code);
        Bench b;
        b.ready();
        double value = 99.0;
        EXPECT_EQ(b.chip.GetSensorValue(0, code, 1, 0, 0, 0, value), 0);
        EXPECT_EQ(value, 0.0);
        EXPECT_TRUE(b.board.trace().empty());
    }
    // A voltage reading makes nine requests; failing any one ends it there.
    for (size_t failing = 1; failing <= 9; ++failing) {
        SCOPED_TRACE(failing);
        Bench b;
        b.ready();
        b.board.setPort(0x90B, 100);
        b.board.failOnly(failing);
        double value = 99.0;
        EXPECT_EQ(b.chip.GetSensorValue(0, 0x30, 1, 3, 0, 0, value), 0);
        EXPECT_EQ(value, 0.0);
        EXPECT_EQ(b.board.trace().size(), failing);
    }
    Bench b;
    b.ready();
    double value = 99.0;
    EXPECT_EQ(b.chip.GetSensorValue(0, 1, 1, 0, 0, -300, value), 0);
    EXPECT_EQ(value, 0.0);
    EXPECT_TRUE(b.board.trace().empty());
}

TEST(N87366Fan, OperationsAreSuccessfulNoOps) {
    Bench b;
    uint8_t duty = 0x5C;
    EXPECT_EQ(b.chip.SetFanPWM(0x5A, 1, 0x80), 1);
    EXPECT_EQ(b.chip.SetFanPWM2(0x5A, 0x28, 1, 0x80), 1);
    EXPECT_EQ(b.chip.GetFanDuty(0x5A, duty), 1);
    EXPECT_EQ(duty, 0x5C);
    EXPECT_TRUE(b.board.trace().empty());
}

}  // namespace
