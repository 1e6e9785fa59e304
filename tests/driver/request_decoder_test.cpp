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

class RequestDecoderTest : public ::testing::Test {
protected:
    RequestDecoderTest() {
        const std::string path = dir.file("board.txt");
        std::ofstream(path) << "<QVN>\n<MB>\n<SB>CSB5\n<HWM>\n<MODEL>W83782D\n</HWM>\n<HWM>\n<MODEL>W83627HF_2\n"
                               "</HWM>\n<HWM>\n<MODEL>IntelXeon\n<BOARD>4730\n</HWM>\n</MB>\n";
        board = BoardDescription::load(path);
        policy = std::make_unique<AccessPolicy>(board, bus, log);
        decoder = std::make_unique<RequestDecoder>(bus, *policy, log);
    }

    // Sends a request with the given buffer sizes; returns ok and keeps the output.
    bool send(uint32_t code, Bytes in, size_t outLen = 4) {
        output.assign(outLen, 0xEE);
        return decoder->handle(Peer{}, code, in, output);
    }

    TempDir dir;
    BoardDescription board;
    testing::RecordingBus bus;
    std::ostringstream logText;
    Logger log{LogLevel::Info, logText};
    std::unique_ptr<AccessPolicy> policy;
    std::unique_ptr<RequestDecoder> decoder;
    Bytes output;
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
    EXPECT_FALSE(send(rq::kSmbusReadByte, {0xA0, 0x00, 0, 0}));        // SPD EEPROM
    EXPECT_FALSE(send(rq::kSmbusWriteByte, {0x5E, 0x00, 1, 0}));
    EXPECT_FALSE(send(rq::kReadPort, {0x64, 0, 0, 0, 0, 0, 0, 0}));    // keyboard controller
    EXPECT_FALSE(send(rq::kWritePort, {0xCF9 & 0xFF, 0x0C, 0, 0, 6, 0, 0, 0}));  // reset control
    EXPECT_FALSE(send(rq::kReadIndexed, {0x20, 0, 0, 0, 0x2E, 0, 0, 0}));  // a Super-I/O not on the board
    EXPECT_FALSE(send(rq::kChooseHostKind, hostRequest(3), 16));
    EXPECT_TRUE(bus.operations.empty());
    EXPECT_EQ(output, (Bytes(16, 0)));  // a refusal answers zeros
}

TEST_F(RequestDecoderTest, RefusesUnknownCodesAndWrongBufferSizes) {
    EXPECT_FALSE(send(rq::controlCode(0x994), Bytes(8, 0)));
    EXPECT_FALSE(send(0xDEADBEEF, {}, 0));
    EXPECT_FALSE(send(rq::kSmbusReadByte, {0x5C, 0x28, 0}));          // one input byte short
    EXPECT_FALSE(send(rq::kSmbusReadByte, {0x5C, 0x28, 0, 0}, 8));    // output too large
    EXPECT_FALSE(send(rq::kChooseHostKind, Bytes(4, 0), 16));
    EXPECT_TRUE(bus.operations.empty());
    EXPECT_EQ(output, Bytes(16, 0));
}

TEST_F(RequestDecoderTest, LogsEachKindOfRefusalOnce) {
    for (int i = 0; i < 5; ++i) {
        send(rq::kSmbusReadByte, {0xA0, 0, 0, 0});
        send(rq::kReadPort, {0x64, 0, 0, 0, 0, 0, 0, 0});
        send(0x1234, {});
    }
    const std::string text = logText.str();
    auto count = [&](const std::string& needle) {
        size_t n = 0;
        for (size_t at = text.find(needle); at != std::string::npos; at = text.find(needle, at + 1)) ++n;
        return n;
    };
    EXPECT_EQ(count("SMBus address 0xA0"), 1u);
    EXPECT_EQ(count("I/O port 0x064"), 1u);
    EXPECT_EQ(count("unknown request code 0x001234"), 1u);
}

TEST_F(RequestDecoderTest, ABusFailureIsAnAnswerOfZeroNotARefusal) {
    bus.ok = false;
    EXPECT_FALSE(send(rq::kSmbusReadByte, {0x5C, 0x28, 0, 0}));
    EXPECT_EQ(output, Bytes(4, 0));
    EXPECT_EQ(bus.operations, (Lines{"smbus-read 5C 28"}));
}

}  // namespace
}  // namespace qvnbdrv
