#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "chips/intel_xeon.h"
#include "driver_channel.h"
#include "fake_board.h"

namespace {

using namespace qvnhwm;
namespace fake = qvnhwm::testing;
using Lines = std::vector<std::string>;

struct Bench {
    fake::FakeBoard board;
    DriverChannel channel{std::make_unique<fake::RecordingTransport>(board)};
    IntelXeon chip{channel};

    Bench() { channel.Open(); }
};

TEST(IntelXeonSettings, DefaultsAndDescriptionLines) {
    Bench b;
    EXPECT_EQ(b.chip.slaveAddress(), 0x30);
    EXPECT_EQ(b.chip.boardNumber(), 0);

    struct Case {
        const char* line;
        bool handled;
        uint8_t address;
        int32_t board;
    };
    const Case cases[] = {
        {"<SLVADD> 90", true, 90, 0},      {"<SLVADD>0x5A", true, 0, 0},  {"<SLVADD>304", true, 0x30, 0},
        {"<board>4730", true, 0x30, 4730}, {"<DIODE>48", false, 0x30, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        Bench fresh;
        EXPECT_EQ(fresh.chip.configure(c.line), c.handled);
        EXPECT_EQ(fresh.chip.slaveAddress(), c.address);
        EXPECT_EQ(fresh.chip.boardNumber(), c.board);
    }
}

TEST(IntelXeonInit, ProgramsTheSensorAndSwitchesPortOnlyOnBoard4730) {
    Bench plain;
    EXPECT_EQ(plain.chip.Init(), 1);
    EXPECT_EQ(plain.board.trace(), (Lines{"SW 30 09 00", "SW 30 0A 04"}));

    Bench other;
    ASSERT_TRUE(other.chip.configure("<BOARD>4731"));
    EXPECT_EQ(other.chip.Init(), 1);
    EXPECT_EQ(other.board.trace(), (Lines{"SW 30 09 00", "SW 30 0A 04"}));

    // To the sensor: bit 3 cleared, bit 4 set; back: both set. Other bits kept.
    Bench m4730;
    ASSERT_TRUE(m4730.chip.configure("<BOARD>4730"));
    m4730.board.setPort(0x50F, 0x4F);
    EXPECT_EQ(m4730.chip.Init(), 1);
    EXPECT_EQ(m4730.board.trace(), (Lines{"PR 50F", "PW 50F 57", "SW 30 09 00", "SW 30 0A 04", "PR 50F", "PW 50F 5F"}));

    // A failed write leaves the port switched to the sensor.
    Bench failing;
    ASSERT_TRUE(failing.chip.configure("<BOARD>4730"));
    failing.board.failOnly(4);
    EXPECT_EQ(failing.chip.Init(), 0);
    EXPECT_EQ(failing.board.trace().size(), 4u);
}

TEST(IntelXeonReading, SignedTemperatureThroughTheFrame) {
    struct Case {
        uint8_t byte;
        int bank, code, multiplier, offset, resultScale, offsetScale;
        double expected;
    };
    const Case cases[] = {
        {0x2D, 0, 0, 1, 0, 0, 0, 45.0},
        {0xF6, 3, 0x81, 1, 0, 0, 0, -10.0},  // bank and channel make no difference
        {40, 0, 7, 1, 5, 0, 15, 40.5},
        {40, 0, 0, 10, 0, 15, 0, 40.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(int(c.byte));
        Bench b;
        b.board.setSmbus(0x30, 0x01, c.byte);
        double value = -1.0;
        EXPECT_EQ(b.chip.GetSensorValue(c.bank, c.code, c.multiplier, c.offset, c.resultScale, c.offsetScale, value),
                  1);
        EXPECT_NEAR(value, c.expected, 1e-9);
        EXPECT_EQ(b.board.trace(), (Lines{"SR 30 02", "SR 30 01"}));
    }

    Bench m4730;
    ASSERT_TRUE(m4730.chip.configure("<BOARD>4730"));
    m4730.board.setPort(0x50F, 0x08);
    double value = 0.0;
    EXPECT_EQ(m4730.chip.GetSensorValue(0, 0, 1, 0, 0, 0, value), 1);
    EXPECT_EQ(m4730.board.trace(), (Lines{"PR 50F", "PW 50F 10", "SR 30 02", "SR 30 01", "PR 50F", "PW 50F 18"}));
}

TEST(IntelXeonReading, BusyStatusIsPolledTwentyTimesAtMost) {
    struct Case {
        size_t busyReads;
        int32_t result;
        size_t statusReads;
    };
    for (const Case& c : {Case{19, 1, 20}, Case{20, 0, 20}, Case{0, 1, 1}}) {
        SCOPED_TRACE(c.busyReads);
        Bench b;
        std::vector<uint8_t> status(c.busyReads, 0x80);
        status.push_back(0x7F);  // only bit 7 means busy
        b.board.script(fake::Space::Smbus, 0x30, 0x02, status);
        b.board.setSmbus(0x30, 0x01, 30);
        double value = -1.0;
        EXPECT_EQ(b.chip.GetSensorValue(0, 0, 1, 0, 0, 0, value), c.result);
        EXPECT_EQ(value, c.result ? 30.0 : -1.0);
        const Lines trace = b.board.trace();
        EXPECT_EQ(size_t(std::count(trace.begin(), trace.end(), "SR 30 02")), c.statusReads);
    }
}

TEST(IntelXeonReading, FailureKeepsTheCallersValueAndThePortSwitched) {
    for (size_t failing : {3u, 4u}) {
        SCOPED_TRACE(failing);
        Bench b;
        ASSERT_TRUE(b.chip.configure("<BOARD>4730"));
        b.board.failOnly(failing);
        double value = 7.5;
        EXPECT_EQ(b.chip.GetSensorValue(0, 0, 1, 0, 0, 0, value), 0);
        EXPECT_EQ(value, 7.5);
        EXPECT_EQ(b.board.trace().size(), failing);
    }

    // The switch's own results do not decide the reading, but a port value that could not
    // be read is not written back.
    Bench port;
    ASSERT_TRUE(port.chip.configure("<BOARD>4730"));
    port.board.failOnly(1);
    port.board.setSmbus(0x30, 0x01, 20);
    double value = 0.0;
    EXPECT_EQ(port.chip.GetSensorValue(0, 0, 1, 0, 0, 0, value), 1);
    EXPECT_EQ(value, 20.0);
    EXPECT_EQ(port.board.trace(), (Lines{"PR 50F", "SR 30 02", "SR 30 01", "PR 50F", "PW 50F 18"}));

    // A refused scale code makes no request at all.
    Bench scale;
    ASSERT_TRUE(scale.chip.configure("<BOARD>4730"));
    value = 7.5;
    EXPECT_EQ(scale.chip.GetSensorValue(0, 0, 1, 0, 4096, 0, value), 0);
    EXPECT_EQ(value, 7.5);
    EXPECT_TRUE(scale.board.trace().empty());
}

TEST(IntelXeonFan, OperationsAreSuccessfulNoOps) {
    Bench b;
    uint8_t duty = 0x33;
    EXPECT_EQ(b.chip.SetFanPWM(0x5A, 1, 0x80), 1);
    EXPECT_EQ(b.chip.SetFanPWM2(0x5A, 0x28, 1, 0x80), 1);
    EXPECT_EQ(b.chip.GetFanDuty(0x5A, duty), 1);
    EXPECT_EQ(duty, 0x33);
    EXPECT_TRUE(b.board.trace().empty());
}

}  // namespace
