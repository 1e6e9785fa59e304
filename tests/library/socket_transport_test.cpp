#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <optional>

#include "driver_channel.h"
#include "frame_server.h"
#include "socket_transport.h"

namespace qvnhwm {
namespace {

using testing::FakeBoard;
using testing::FrameServer;
using testing::TempDir;
using Trace = std::vector<std::string>;

// One reading bracketed as an export brackets it.
bool readInOperation(DriverChannel& channel) {
    const DriverChannel::Operation operation(channel);
    uint8_t data = 0;
    return operation && channel.SmbusReadByte(0x30, 1, data);
}

class SocketTransportTest : public ::testing::Test {
protected:
    TempDir dir;
    FakeBoard board;
    std::string path = dir.file("qvnbdrv.sock");
};

TEST_F(SocketTransportTest, CarriesEachRequestAndItsAnswerWhole) {
    FrameServer server(board, path);
    DriverChannel channel(std::make_unique<SocketTransport>(path));
    ASSERT_TRUE(channel.Open());
    board.setSmbus(0x5C, 0x28, 0x96);
    uint8_t data = 0;
    ASSERT_TRUE(channel.SmbusReadByte(0x5C, 0x28, data));
    EXPECT_EQ(data, 0x96);
    ASSERT_TRUE(channel.WriteIndexed(0x295, 0x4E, 0x80));
    ASSERT_TRUE(channel.ChooseSmbusHost(2, 0));
    std::lock_guard lock(server.boardMutex());
    EXPECT_EQ(board.get(testing::Space::Indexed, 0x295, 0x4E), 0x80);
    EXPECT_EQ(board.trace(), (std::vector<std::string>{"SR 5C 28", "IW 295 4E 80", "HK 2", "HV 0"}));
    EXPECT_EQ(board.requests()[2].input.size(), 16u);
}

TEST_F(SocketTransportTest, ARefusedRequestFailsAndKeepsTheConnection) {
    FrameServer server(board, path);
    DriverChannel channel(std::make_unique<SocketTransport>(path));
    ASSERT_TRUE(channel.Open());
    board.failOnly(1);
    uint8_t data = 0xEE;
    EXPECT_FALSE(channel.ReadPort(0x50F, 0xFF, data));
    EXPECT_EQ(data, 0xEE);
    EXPECT_TRUE(channel.ReadPort(0x50F, 0xFF, data));
    EXPECT_EQ(server.connectionsAccepted(), 1);
}

TEST_F(SocketTransportTest, ABrokenConnectionFailsOneRequestAndTheNextReconnects) {
    FrameServer server(board, path);
    DriverChannel channel(std::make_unique<SocketTransport>(path));
    ASSERT_TRUE(channel.Open());
    uint8_t data = 0;
    EXPECT_TRUE(channel.SmbusReadByte(0x30, 1, data));
    server.dropClient();
    EXPECT_FALSE(channel.SmbusReadByte(0x30, 1, data));  // the service lets go under it
    EXPECT_TRUE(channel.SmbusReadByte(0x30, 1, data));
    EXPECT_EQ(server.connectionsAccepted(), 2);
}

TEST_F(SocketTransportTest, AConnectionClosedWhileIdleIsReplacedBeforeTheNextRequest) {
    FrameServer server(board, path);
    server.grantHolds();
    DriverChannel channel(std::make_unique<SocketTransport>(path));
    ASSERT_TRUE(channel.Open());
    uint8_t data = 0;
    // The window's next reading starts with a Begin, a plain client with its request.
    EXPECT_TRUE(readInOperation(channel));
    server.closeIdleClient();
    EXPECT_TRUE(readInOperation(channel));
    server.closeIdleClient();
    EXPECT_TRUE(channel.SmbusReadByte(0x30, 1, data));
    EXPECT_EQ(server.connectionsAccepted(), 3);
    std::lock_guard lock(server.boardMutex());
    EXPECT_EQ(board.trace(), (Trace{"OB", "SR 30 01", "OE", "OB", "SR 30 01", "OE", "SR 30 01"}));
}

TEST_F(SocketTransportTest, AServerWithoutHoldsIsAskedForOneOncePerConnection) {
    FrameServer server(board, path);
    DriverChannel channel(std::make_unique<SocketTransport>(path));
    ASSERT_TRUE(channel.Open());
    EXPECT_TRUE(readInOperation(channel));
    EXPECT_TRUE(readInOperation(channel));
    server.closeIdleClient();  // the next connection may reach a server that holds
    EXPECT_TRUE(readInOperation(channel));
    std::lock_guard lock(server.boardMutex());
    EXPECT_EQ(board.trace(), (Trace{"OB", "SR 30 01", "SR 30 01", "OB", "SR 30 01"}));
}

TEST_F(SocketTransportTest, AServerWithoutChainsGetsTheirRequestsOneByOneUpToTheFirstFailure) {
    FrameServer server(board, path);
    DriverChannel channel(std::make_unique<SocketTransport>(path));
    ASSERT_TRUE(channel.Open());
    board.setSmbus(0x5C, 0x29, 0x42);
    board.failOnly(3);  // after the chain's count and the write
    std::array broken{DriverChannel::smbusWrite(0x5C, 0x4E, 0x80), DriverChannel::smbusRead(0x5C, 0x28),
                      DriverChannel::smbusRead(0x5C, 0x29)};
    EXPECT_FALSE(channel.Chain(broken));
    std::array whole{DriverChannel::smbusRead(0x5C, 0x28), DriverChannel::smbusRead(0x5C, 0x29)};
    EXPECT_TRUE(channel.Chain(whole));
    EXPECT_EQ(whole[1].out[0], 0x42);
    std::lock_guard lock(server.boardMutex());
    EXPECT_EQ(board.trace(), (Trace{"CH 3", "SW 5C 4E 80", "SR 5C 28", "SR 5C 28", "SR 5C 29"}));
}

TEST_F(SocketTransportTest, ABrokenHoldFailsAsAnyRequestAndIsTakenAgainOnTheNewConnection) {
    FrameServer server(board, path);
    server.grantHolds();
    DriverChannel channel(std::make_unique<SocketTransport>(path));
    ASSERT_TRUE(channel.Open());
    {
        // The Begin goes out with the operation's first request; an operation that sends
        // nothing asks for no hold.
        const DriverChannel::Operation operation(channel);
        ASSERT_TRUE(operation);
    }
    {
        const DriverChannel::Operation operation(channel);
        uint8_t data = 0;
        server.dropClient();
        EXPECT_FALSE(channel.SmbusReadByte(0x30, 1, data));  // its Begin breaks
        EXPECT_TRUE(channel.SmbusReadByte(0x30, 2, data));   // held again before it goes out
        server.dropClient();
        EXPECT_FALSE(channel.SmbusReadByte(0x30, 3, data));  // the service lets go under it
        EXPECT_TRUE(channel.SmbusReadByte(0x30, 4, data));
    }
    // An End is not waited for; the next request takes its answer first.
    EXPECT_TRUE(readInOperation(channel));
    uint8_t data = 0;
    EXPECT_TRUE(channel.SmbusReadByte(0x30, 5, data));
    EXPECT_EQ(server.connectionsAccepted(), 3);
    std::lock_guard lock(server.boardMutex());
    EXPECT_EQ(board.trace(),
              (Trace{"OB", "OB", "SR 30 02", "SR 30 03", "OB", "SR 30 04", "OE", "OB", "SR 30 01", "OE", "SR 30 05"}));
}

TEST_F(SocketTransportTest, FailsWhileTheServiceIsGoneAndRecoversWhenItIsBack) {
    std::optional<FrameServer> server;
    server.emplace(board, path);
    DriverChannel channel(std::make_unique<SocketTransport>(path));
    ASSERT_TRUE(channel.Open());
    uint8_t data = 0;
    server.reset();
    EXPECT_FALSE(channel.SmbusReadByte(0x30, 1, data));
    EXPECT_FALSE(channel.SmbusReadByte(0x30, 1, data));
    server.emplace(board, path);
    EXPECT_TRUE(channel.SmbusReadByte(0x30, 1, data));
}

TEST_F(SocketTransportTest, OpenFailsWithoutAService) {
    DriverChannel channel(std::make_unique<SocketTransport>(path));
    EXPECT_FALSE(channel.Open());
    EXPECT_TRUE(channel.Close());
}

TEST_F(SocketTransportTest, FindsTheServiceThroughTheEnvironmentAtEachOpen) {
    FrameServer server(board, path);
    SocketTransport transport;
    ::setenv(kSocketPathVariable, dir.file("nobody-here.sock").c_str(), 1);
    EXPECT_FALSE(transport.open());
    ::setenv(kSocketPathVariable, path.c_str(), 1);
    EXPECT_TRUE(transport.open());
    ::unsetenv(kSocketPathVariable);
    EXPECT_TRUE(transport.close());
}

}  // namespace
}  // namespace qvnhwm
