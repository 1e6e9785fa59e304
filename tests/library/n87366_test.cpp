#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "chips/n87366.h"
#include "driver_channel.h"
#include "driver_requests.h"
#include "fake_board.h"
#include "hwm_library.h"
#include "temp_dir.h"

namespace {

using namespace qvnhwm;
namespace fake = qvnhwm::testing;
using Lines = std::vector<std::string>;

// A board whose configuration registers answer for the logical device selected last, as a
// PC87366's do, so that a failed look-up leaves the other units' bases where they are.
class BankedSuperio final : public DeviceTransport {
public:
    BankedSuperio(fake::FakeBoard& board, std::map<uint8_t, uint32_t> bases)
        : board_(board), bases_(std::move(bases)) {}
    bool open() override { return true; }
    bool close() override { return true; }
    bool control(uint32_t code, const void* in, uint32_t inLen, void* out, uint32_t outLen) override {
        const bool ok = board_.handle(code, in, inLen, out, outLen);
        const auto* bytes = static_cast<const uint8_t*>(in);
        if (ok && code == request::kWriteIndexed && bytes[0] == 0x07) {
            const uint32_t base = bases_[bytes[1]];
            board_.setIndexed(0x2E, 0x60, uint8_t(base >> 8));
            board_.setIndexed(0x2E, 0x61, uint8_t(base));
        }
        return ok;
    }

private:
    fake::FakeBoard& board_;
    std::map<uint8_t, uint32_t> bases_;
};

// Fan unit at 0x800, voltage unit at 0x900, temperature unit at 0xA00 unless told otherwise.
struct Bench {
    fake::FakeBoard board;
    DriverChannel channel;
    N87366 chip{channel};

    explicit Bench(uint32_t fan = 0x800, uint32_t voltage = 0x900, uint32_t temperature = 0xA00)
        : channel(std::make_unique<BankedSuperio>(
              board, std::map<uint8_t, uint32_t>{{0x09, fan}, {0x0D, voltage}, {0x0E, temperature}})) {
        channel.Open();
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
    EXPECT_EQ(b.board.trace(), (Lines{"IW 2E 07 09", "IR 2E 60", "IR 2E 61", "IW 2E 07 0D", "IR 2E 60", "IR 2E 61",
                                      "IW 2E 07 0E", "IR 2E 60", "IR 2E 61", "PW A08 00", "PW 908 00", "PW A08 00",
                                      "PW A09 0F", "PW A0A 08", "PW A0B 05", "PW A0C 35", "PW A0D 3D", "PW A0E 3D"}));
}

TEST(N87366Init, OnlyTheFanUnitAndTheSetupWritesMustSucceed) {
    Bench fan;
    fan.board.failOnly(3);
    EXPECT_EQ(fan.chip.Init(), 0);
    EXPECT_EQ(fan.board.trace().size(), 3u);

    // The voltage unit not answering goes on without it: its setup write is left out.
    Bench voltage;
    voltage.board.failOnly(5);
    EXPECT_EQ(voltage.chip.Init(), 1);
    EXPECT_EQ(voltage.chip.voltageBase(), 0u);
    EXPECT_EQ(voltage.board.trace(),
              (Lines{"IW 2E 07 09", "IR 2E 60", "IR 2E 61", "IW 2E 07 0D", "IR 2E 60", "IW 2E 07 0E", "IR 2E 60",
                     "IR 2E 61", "PW A08 00", "PW A08 00", "PW A09 0F", "PW A0A 08", "PW A0B 05", "PW A0C 35",
                     "PW A0D 3D", "PW A0E 3D"}));

    Bench setup;
    setup.board.failOnly(14);
    EXPECT_EQ(setup.chip.Init(), 0);
    EXPECT_EQ(setup.board.trace().size(), 14u);
}

// The ports of the port requests in a trace.
std::vector<uint32_t> portsOf(const Lines& trace) {
    std::vector<uint32_t> ports;
    for (const std::string& line : trace) {
        unsigned port = 0;
        if (line.rfind("PR ", 0) == 0 || line.rfind("PW ", 0) == 0) {
            std::sscanf(line.c_str() + 3, "%x", &port);
            ports.push_back(port);
        }
    }
    return ports;
}

TEST(N87366Init, AUnitWithoutAUsableBaseIsNeverWrittenAndReadsFail) {
    struct Case {
        const char* what;
        uint32_t fan, voltage, temperature;
        int32_t init;
    };
    const Case cases[] = {
        {"voltage unit left at 0", 0x800, 0x000, 0xA00, 1},
        {"temperature unit over the reset port", 0x800, 0x900, 0xCF0, 1},
        {"temperature unit not aligned", 0x800, 0x900, 0xA08, 1},
        {"fan unit in the legacy range", 0x0F0, 0x900, 0xA00, 0},
        {"fan unit at 0", 0x000, 0x900, 0xA00, 0},
    };
    auto usable = [](uint32_t base) { return base == 0x800 || base == 0x900 || base == 0xA00; };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Bench b(c.fan, c.voltage, c.temperature);
        EXPECT_EQ(b.chip.Init(), c.init);
        // A chip whose fan unit is unusable locates nothing more.
        const bool fanUsable = usable(c.fan);
        const std::pair<int, bool> readings[] = {
            {1, fanUsable}, {0x30, fanUsable && usable(c.voltage)}, {0x60, fanUsable && usable(c.temperature)}};
        for (const auto& [code, reads] : readings) {
            double value = 99.0;
            EXPECT_EQ(b.chip.GetSensorValue(0, code, 1, 0, 0, 0, value), reads ? 1 : 0) << code;
            if (!reads) {
                EXPECT_EQ(value, 0.0);
            }
        }
        for (uint32_t port : portsOf(b.board.trace())) EXPECT_TRUE(usable(port & ~0xFu)) << std::hex << port;
    }
}

TEST(N87366Reading, FanSpeeds) {
    struct Case {
        int code;
        uint8_t status, count;
        int multiplier, offset;
        double expected;
    };
    const Case cases[] = {
        {1, 0x21, 100, 1, 0, 4800.0},                                   // 160 / 2 = 80 per second
        {1, 0x01, 50, 1, 0, 19200.0},                                   // 320 per second: kept whole, not cut to a byte
        {0x101, 0x01, 50, 1, 0, 19200.0}, {3, 0x61, 254, 1, 0, 420.0},  // 62 / 8 truncated to 7
        {3, 0x61, 255, 1, 0, 0.0},  // a saturated counter: too slow to measure, or stopped
        {2, 0x01, 0, 7, 0, 0.0},    // no count: speed 0, never a division by it
        {2, 0x01, 0, 7, 2, 0.0},    // an offset does not make a stopped fan turn
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
        {0x30, 0x90B, 200, 16, 13, 0, 0, 3.2},  {0x3D, 0x90B, 0xF6, 1, 0, 0, 0, 246.0},
        {0x131, 0x90B, 0x10, 1, 0, 0, 0, 16.0}, {0x62, 0xA0B, 0xF6, 1, 0, 0, 0, -10.0},
        {0x60, 0xA0B, 40, 1, 0, 5, -15, 40.5},  // -15 counts as 15: offset times 0.1
        {0x61, 0xA0B, 40, 1, 0, 5, 0xF0, 40.5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << std::hex << "code " << c.code);
        Bench b;
        b.ready();
        b.board.setPort(c.valuePort, c.byte);
        double value = -1.0;
        EXPECT_EQ(b.chip.GetSensorValue(0, c.code, c.multiplier, c.offset, c.resultScale, c.offsetScale, value), 1);
        EXPECT_NEAR(value, c.expected, 1e-9);
    }

    // Channel select, start, up to four polls for done, value, acknowledge.
    Bench b;
    b.ready();
    double value = 0.0;
    EXPECT_EQ(b.chip.GetSensorValue(0, 0x131, 1, 0, 0, 0, value), 1);
    EXPECT_EQ(b.board.trace(), (Lines{"IW 2E 07 0D", "PW 909 01", "PW 90A 01", "PR 90A", "PR 90A", "PR 90A", "PR 90A",
                                      "PR 90B", "PW 90A 80"}));
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

// Each request InitDLL makes on an M4510 fails in turn: whichever it is, nothing reaches a
// port below 0x100, and a reading that succeeds touched only its own unit's block.
TEST(N87366Session, NoFailedRequestOfInitDllAimsAnyRequestAtAnUnlocatedUnit) {
    qorv::testing::TempDir dir;
    const std::string path = dir.file("M4510.txt");
    std::ofstream(path) << "<QVN>\n<MB>\n<MODEL>M4510\n<SB>OSB4\n<HWM>\n<ID>HWM1\n<MODEL>N87366\n<IDXREG>46\n"
                           "</HWM>\n</MB>\n";
    const std::map<uint8_t, uint32_t> bases{{0x09, 0x600}, {0x0D, 0x620}, {0x0E, 0x640}};
    const std::pair<int, uint32_t> sensors[] = {{1, 0x600},    {3, 0x600},    {0x30, 0x620},
                                                {0x3D, 0x620}, {0x60, 0x640}, {0x62, 0x640}};
    size_t swept = 0;
    for (size_t failing = 1;; ++failing) {
        SCOPED_TRACE(failing);
        fake::FakeBoard board;
        HwmLibrary library(std::make_unique<BankedSuperio>(board, bases));
        board.failOnly(failing);
        library.InitDLL(path.c_str());
        const size_t initRequests = board.requests().size();
        for (uint32_t port : portsOf(board.trace())) EXPECT_GE(port, 0x100u) << std::hex << port;

        board.failNone();
        library.SetCurrentHwm("HWM1");
        for (const auto& [code, base] : sensors) {
            board.clearRequests();
            double value = 0.0;
            if (library.GetSensorValue(0, code, 1, 0, 0, 0, &value) != 1) continue;
            for (uint32_t port : portsOf(board.trace()))
                EXPECT_TRUE(port >= base && port < base + 0x10) << "code " << code << std::hex << " port " << port;
        }
        if (initRequests < failing) break;  // the failure fell after the last request
        ++swept;
    }
    EXPECT_GE(swept, 20u);  // the host choice, nine look-ups and nine setup writes at least
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
