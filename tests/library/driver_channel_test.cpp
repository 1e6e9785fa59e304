#include <gtest/gtest.h>

#include "driver_channel.h"
#include "driver_requests.h"
#include "fake_board.h"

namespace qvnhwm {
namespace {

using testing::FakeBoard;
using testing::RecordingTransport;
using Bytes = std::vector<uint8_t>;

class DriverChannelTest : public ::testing::Test {
protected:
    DriverChannelTest() {
        auto owned = std::make_unique<RecordingTransport>(board);
        transport = owned.get();
        channel = std::make_unique<DriverChannel>(std::move(owned));
    }
    const testing::Request& last() const { return board.requests().back(); }

    FakeBoard board;
    RecordingTransport* transport;
    std::unique_ptr<DriverChannel> channel;
};

TEST_F(DriverChannelTest, FillsTheExactBuffersOfEachRequest) {
    ASSERT_TRUE(channel->Open());
    uint8_t data = 0;

    channel->SmbusReadByte(0x5C, 0x4E, data);
    EXPECT_EQ(last().code, 0x222648u);
    EXPECT_EQ(last().input, (Bytes{0x5C, 0x4E, 0, 0}));
    EXPECT_EQ(last().outLen, 4u);

    channel->SmbusWriteByte(0x58, 0x40, 0x01);
    EXPECT_EQ(last().code, 0x22264Cu);
    EXPECT_EQ(last().input, (Bytes{0x58, 0x40, 0x01, 0}));

    channel->ReadIndexed(0x295, 0x4E, data);
    EXPECT_EQ(last().code, 0x222654u);
    EXPECT_EQ(last().input, (Bytes{0x4E, 0, 0, 0, 0x95, 0x02, 0, 0}));
    EXPECT_EQ(last().outLen, 4u);

    channel->WriteIndexed(0x12345678, 0x07, 0x09);
    EXPECT_EQ(last().code, 0x222658u);
    EXPECT_EQ(last().input, (Bytes{0x07, 0x09, 0, 0, 0x78, 0x56, 0x34, 0x12}));

    channel->ReadPort(0x50F, 0xFF, data);
    EXPECT_EQ(last().code, 0x22265Cu);
    EXPECT_EQ(last().input, (Bytes{0x0F, 0x05, 0, 0, 0, 0, 0, 0}));

    channel->WritePort(0x50F, 0x18, 0xFF);
    EXPECT_EQ(last().code, 0x222660u);
    EXPECT_EQ(last().input, (Bytes{0x0F, 0x05, 0, 0, 0x18, 0, 0, 0}));

    channel->ChooseSmbusHost(1, 0x01020304);
    ASSERT_EQ(board.requests().size(), 8u);
    const auto& kind = board.requests()[6];
    EXPECT_EQ(kind.code, 0x222640u);
    EXPECT_EQ(kind.input, (Bytes{1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(kind.outLen, 16u);
    EXPECT_EQ(last().code, 0x222644u);
    EXPECT_EQ(last().input, (Bytes{4, 3, 2, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
}

TEST_F(DriverChannelTest, MasksPortBytesBothWays) {
    ASSERT_TRUE(channel->Open());
    board.setPort(0x300, 0xA5);
    uint8_t data = 0;
    ASSERT_TRUE(channel->ReadPort(0x300, 0x0F, data));
    EXPECT_EQ(data, 0x05);
    ASSERT_TRUE(channel->WritePort(0x301, 0xFF, 0x03));
    EXPECT_EQ(last().input[4], 0x03);
}

TEST_F(DriverChannelTest, SendsAnyUnknownHostKindAsTheThirdFamily) {
    ASSERT_TRUE(channel->Open());
    for (int32_t kind : {0, 1, 2, 5, -1}) {
        channel->ChooseSmbusHost(kind, 0);
        EXPECT_EQ(board.hostKind, kind == 0 || kind == 1 ? uint32_t(kind) : 2u) << kind;
    }
}

TEST_F(DriverChannelTest, SkipsTheSecondHostRequestWhenTheFirstFails) {
    ASSERT_TRUE(channel->Open());
    board.failOnly(1);
    EXPECT_FALSE(channel->ChooseSmbusHost(1, 0));
    EXPECT_EQ(board.requests().size(), 1u);
    board.failOnly(3);
    EXPECT_FALSE(channel->ChooseSmbusHost(1, 0));
    EXPECT_EQ(board.requests().size(), 3u);
}

TEST_F(DriverChannelTest, LeavesTheCallersByteAloneOnAFailedRead) {
    ASSERT_TRUE(channel->Open());
    board.setSmbus(0x5C, 0x20, 0x77);
    board.failFrom(1);
    uint8_t data = 0xEE;
    EXPECT_FALSE(channel->SmbusReadByte(0x5C, 0x20, data));
    EXPECT_FALSE(channel->ReadIndexed(0x295, 0x20, data));
    EXPECT_FALSE(channel->ReadPort(0x50F, 0xFF, data));
    EXPECT_EQ(data, 0xEE);
}

TEST_F(DriverChannelTest, SendsNothingWhileClosed) {
    uint8_t data = 0xEE;
    EXPECT_FALSE(channel->SmbusReadByte(0x5C, 0x20, data));
    EXPECT_FALSE(channel->SmbusWriteByte(0x5C, 0x20, 1));
    EXPECT_FALSE(channel->ReadIndexed(0x295, 0x20, data));
    EXPECT_FALSE(channel->WriteIndexed(0x295, 0x20, 1));
    EXPECT_FALSE(channel->ReadPort(0x50F, 0xFF, data));
    EXPECT_FALSE(channel->WritePort(0x50F, 1, 0xFF));
    EXPECT_FALSE(channel->ChooseSmbusHost(1, 0));
    EXPECT_TRUE(board.requests().empty());
    EXPECT_EQ(data, 0xEE);
}

TEST_F(DriverChannelTest, TracksOpenAndCloseOfTheDevice) {
    transport->openSucceeds = false;
    EXPECT_FALSE(channel->Open());
    EXPECT_FALSE(channel->IsOpen());
    EXPECT_TRUE(channel->Close());  // nothing to close
    EXPECT_EQ(transport->closes, 0);

    transport->openSucceeds = true;
    ASSERT_TRUE(channel->Open());
    // A second open lets go of the first handle rather than leaking it.
    ASSERT_TRUE(channel->Open());
    EXPECT_EQ(transport->closes, 1);
    EXPECT_TRUE(channel->IsOpen());

    transport->closeSucceeds = false;
    EXPECT_FALSE(channel->Close());
    EXPECT_TRUE(channel->IsOpen());  // refused: nothing changes
    transport->closeSucceeds = true;
    EXPECT_TRUE(channel->Close());
    EXPECT_FALSE(channel->IsOpen());
}

}  // namespace
}  // namespace qvnhwm
