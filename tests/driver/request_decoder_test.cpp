#include <gtest/gtest.h>

#include <array>
#include <fstream>
#include <sstream>

#include "driver_requests.h"
#include "frame_server.h"
#include "recording_bus.h"
#include "request_decoder.h"

namespace qvnbdrv {
namespace {

using qvnhwm::testing::TempDir;
namespace rq = qvnhwm::request;
using Bytes = std::vector<uint8_t>;
using Lines = std::vector<std::string>;

Bytes hostRequest(uint8_t family) {
    Bytes in(16, 0);
    in[0] = family;
    return in;
}

// An indexed request's input: register, value, then the index port.
Bytes indexed(uint32_t port, uint8_t reg, uint8_t value = 0) {
    Bytes in{reg, value, 0, 0, 0, 0, 0, 0};
    rq::putU32(in.data() + 4, port);
    return in;
}

// A single-port request's input: the port, then the value written.
Bytes single(uint32_t port, uint8_t value = 0) {
    Bytes in(8, 0);
    rq::putU32(in.data(), port);
    in[4] = value;
    return in;
}

// M4510: a PC87366 at 0x2E on a ServerWorks southbridge, its temperature unit at 0 at
// start-up as a BIOS may leave it.
constexpr const char* kM4510 =
    "<QVN>\n<MB>\n<MODEL>M4510\n<SB>OSB4\n<HWM>\n<ID>HWM1\n<MODEL>N87366\n<IDXREG>46\n"
    "</HWM>\n</MB>\n";

class RequestDecoderTest : public ::testing::Test {
protected:
    RequestDecoderTest() {
        serve(
            "<QVN>\n<MB>\n<SB>CSB5\n<HWM>\n<MODEL>W83782D\n</HWM>\n<HWM>\n<MODEL>W83627HF_2\n</HWM>\n<HWM>\n"
            "<MODEL>IntelXeon\n<BOARD>4730\n</HWM>\n</MB>\n");
    }

    // A policy and a decoder for this description; the policy's start-up requests are not
    // kept in the bus's operations.
    void serve(const std::string& description) {
        const std::string path = dir.file("board.txt");
        std::ofstream(path) << description;
        board = BoardDescription::load(path);
        decoder.reset();
        policy = std::make_unique<AccessPolicy>(board, bus, log);
        decoder = std::make_unique<RequestDecoder>(bus, *policy, log);
        bus.operations.clear();
    }
    void serveM4510() {
        bus.superioAt(0x2E);
        bus.superioRegister(0x2E, 0x09, 0x60, 0x06);
        bus.superioRegister(0x2E, 0x0D, 0x60, 0x06);
        bus.superioRegister(0x2E, 0x0D, 0x61, 0x20);
        serve(kM4510);
    }

    // Sends a request with the given buffer sizes; returns ok and keeps the output.
    bool send(uint32_t code, Bytes in, size_t outLen = 4) {
        output.assign(outLen, 0xEE);
        return decoder->handle(client, code, in, output);
    }

    TempDir dir;
    BoardDescription board;
    testing::RecordingBus bus;
    std::ostringstream logText;
    Logger log{LogLevel::Info, logText};
    std::unique_ptr<AccessPolicy> policy;
    std::unique_ptr<RequestDecoder> decoder;
    Bytes output;
    Peer client{1000, 4242};
};

TEST_F(RequestDecoderTest, HandsEachRequestToItsBusOperation) {
    bus.smbus[{0x5C, 0x28}] = 0x96;
    bus.ports[0x50F] = 0x18;
    EXPECT_TRUE(send(rq::kChooseHostKind, hostRequest(2), 16));
    EXPECT_TRUE(send(rq::kChooseHostValue, Bytes(16, 0), 16));
    EXPECT_TRUE(send(rq::kSmbusReadByte, {0x5C, 0x28, 0, 0}));
    EXPECT_EQ(output, (Bytes{0x96, 0, 0, 0}));
    EXPECT_TRUE(send(rq::kSmbusWriteByte, {0x5C, 0x4E, 0x80, 0}));
    EXPECT_TRUE(send(rq::kWriteIndexed, {0x4E, 0x81, 0, 0, 0x95, 0x02, 0, 0}));
    EXPECT_TRUE(send(rq::kReadIndexed, {0x4E, 0, 0, 0, 0x95, 0x02, 0, 0}));
    EXPECT_TRUE(send(rq::kReadPort, {0x0F, 0x05, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(output[0], 0x18);
    EXPECT_TRUE(send(rq::kWritePort, {0x0F, 0x05, 0, 0, 0x10, 0, 0, 0}));
    EXPECT_EQ(bus.operations,
              (Lines{"host 2", "smbus-read 5C 28", "smbus-write 5C 4E 80", "port-write 295 4E", "port-write 296 81",
                     "port-write 295 4E", "port-read 296", "port-read 50F", "port-write 50F 10"}));
}

TEST_F(RequestDecoderTest, RefusesWhatTheBoardDoesNotNameWithoutTouchingTheBus) {
    EXPECT_FALSE(send(rq::kSmbusReadByte, {0xA0, 0x00, 0, 0}));  // SPD EEPROM
    EXPECT_FALSE(send(rq::kSmbusWriteByte, {0x5E, 0x00, 1, 0}));
    EXPECT_FALSE(send(rq::kReadPort, {0x64, 0, 0, 0, 0, 0, 0, 0}));              // keyboard controller
    EXPECT_FALSE(send(rq::kWritePort, {0xCF9 & 0xFF, 0x0C, 0, 0, 6, 0, 0, 0}));  // reset control
    EXPECT_FALSE(send(rq::kReadIndexed, {0x20, 0, 0, 0, 0x2E, 0, 0, 0}));        // a Super-I/O not on the board
    EXPECT_FALSE(send(rq::kChooseHostKind, hostRequest(3), 16));
    EXPECT_TRUE(bus.operations.empty());
    EXPECT_EQ(output, (Bytes(16, 0)));  // a refusal answers zeros
}

TEST_F(RequestDecoderTest, RefusesUnknownCodesAndWrongBufferSizes) {
    EXPECT_FALSE(send(rq::controlCode(0x994), Bytes(8, 0)));
    EXPECT_FALSE(send(0xDEADBEEF, {}, 0));
    EXPECT_FALSE(send(rq::kSmbusReadByte, {0x5C, 0x28, 0}));        // one input byte short
    EXPECT_FALSE(send(rq::kSmbusReadByte, {0x5C, 0x28, 0, 0}, 8));  // output too large
    EXPECT_FALSE(send(rq::kChooseHostKind, Bytes(4, 0), 16));
    EXPECT_TRUE(bus.operations.empty());
    EXPECT_EQ(output, Bytes(16, 0));
}

TEST_F(RequestDecoderTest, AFloodOfOneKindOfRefusalLeavesTheOthersLoggedWithTheClient) {
    for (uint32_t function = 0; function < 300; ++function) send(rq::controlCode(0xA00 + function), Bytes(8, 0));
    send(rq::kSmbusReadByte, {0xA0, 0, 0, 0});
    send(rq::kReadPort, single(0xCF8));
    const std::string text = logText.str();
    EXPECT_NE(text.find("SMBus address 0xA0: not a chip of this board (client uid 1000 pid 4242)"), std::string::npos);
    EXPECT_NE(text.find("I/O port 0xCF8: not a port of this board's chips (client uid 1000 pid 4242)"),
              std::string::npos);
}

TEST_F(RequestDecoderTest, AHostChoiceOfAnotherFamilyNeverReachesTheBus) {
    for (uint8_t family : {0, 1, 3, 0xFF}) {
        SCOPED_TRACE(int(family));
        EXPECT_FALSE(send(rq::kChooseHostKind, hostRequest(family), 16));
    }
    EXPECT_TRUE(bus.operations.empty());
    EXPECT_NE(logText.str().find("SMBus host family 1: not this board's host (client uid 1000 pid 4242)"),
              std::string::npos);
    EXPECT_TRUE(send(rq::kChooseHostKind, hostRequest(2), 16));  // CSB5: the board's own
    EXPECT_EQ(bus.operations, Lines{"host 2"});
}

TEST_F(RequestDecoderTest, TheConfigurationPairCarriesOnlyTheLibrarysProgramme) {
    serveM4510();
    struct Case {
        const char* what;
        uint32_t code;
        Bytes in;
        bool allowed;
    };
    const Case cases[] = {
        {"select the fan unit", rq::kWriteIndexed, indexed(0x2E, 0x07, 0x09), true},
        {"select the voltage unit", rq::kWriteIndexed, indexed(0x2E, 0x07, 0x0D), true},
        {"select the temperature unit", rq::kWriteIndexed, indexed(0x2E, 0x07, 0x0E), true},
        {"read the base, high byte", rq::kReadIndexed, indexed(0x2E, 0x60), true},
        {"read the base, low byte", rq::kReadIndexed, indexed(0x2E, 0x61), true},
        {"select a UART", rq::kWriteIndexed, indexed(0x2E, 0x07, 0x01), false},
        {"select the keyboard controller", rq::kWriteIndexed, indexed(0x2E, 0x07, 0x06), false},
        {"select the watchdog", rq::kWriteIndexed, indexed(0x2E, 0x07, 0x0A), false},
        {"activate a device", rq::kWriteIndexed, indexed(0x2E, 0x30, 0x01), false},
        {"move a device, high byte", rq::kWriteIndexed, indexed(0x2E, 0x60, 0x0C), false},
        {"move a device, low byte", rq::kWriteIndexed, indexed(0x2E, 0x61, 0xF0), false},
        {"read the device id", rq::kReadIndexed, indexed(0x2E, 0x20), false},
        {"read the activation", rq::kReadIndexed, indexed(0x2E, 0x30), false},
        {"read the selected device", rq::kReadIndexed, indexed(0x2E, 0x07), false},
        {"read the index port itself", rq::kReadPort, single(0x2E), false},
        {"write the data port itself", rq::kWritePort, single(0x2F, 0x0C), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        bus.operations.clear();
        EXPECT_EQ(send(c.code, c.in), c.allowed);
        EXPECT_EQ(bus.operations.empty(), !c.allowed);
    }
}

TEST_F(RequestDecoderTest, NoClientCanMoveAUnitOntoPortsOutsideTheDescription) {
    // The temperature unit is at 0, so every host choice asks for it again: a client that
    // could write its base registers would choose where it opens.
    for (uint8_t low : {0xF0, 0x00}) {
        SCOPED_TRACE(int(low));
        serveM4510();
        const uint32_t base = 0x0C00 | low;
        EXPECT_TRUE(send(rq::kWriteIndexed, indexed(0x2E, 0x07, 0x0E)));
        EXPECT_FALSE(send(rq::kWriteIndexed, indexed(0x2E, 0x60, 0x0C)));
        EXPECT_FALSE(send(rq::kWriteIndexed, indexed(0x2E, 0x61, low)));
        EXPECT_TRUE(send(rq::kChooseHostKind, hostRequest(2), 16));
        EXPECT_FALSE(send(rq::kReadPort, single(base + 9)));
        EXPECT_FALSE(send(rq::kWritePort, single(base + 9, 0x06)));
        EXPECT_FALSE(send(rq::kReadPort, single(0xCF9)));
        // The voltage unit at 0x620 was open from the start and stays so.
        EXPECT_TRUE(send(rq::kReadPort, single(0x627)));
    }
}

TEST_F(RequestDecoderTest, ABusFailureIsAnAnswerOfZeroNotARefusal) {
    bus.ok = false;
    EXPECT_FALSE(send(rq::kSmbusReadByte, {0x5C, 0x28, 0, 0}));
    EXPECT_EQ(output, Bytes(4, 0));
    EXPECT_EQ(bus.operations, (Lines{"smbus-read 5C 28"}));
}

}  // namespace
}  // namespace qvnbdrv
