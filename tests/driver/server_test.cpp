#include <grp.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cstring>
#include <filesystem>
#include <functional>
#include <fstream>
#include <sstream>
#include <thread>

#include "driver_requests.h"
#include "frame_server.h"
#include "recording_bus.h"
#include "server.h"
#include "driver_channel.h"
#include "socket_transport.h"

namespace qvnbdrv {
namespace {

namespace rq = qvnhwm::request;
using qvnhwm::testing::TempDir;
using Bytes = std::vector<uint8_t>;

// One client connection speaking raw frames.
class Client {
public:
    explicit Client(const std::string& path) {
        fd_ = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un a{};
        a.sun_family = AF_UNIX;
        std::strncpy(a.sun_path, path.c_str(), sizeof a.sun_path - 1);
        connected = ::connect(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
        timeval t{5, 0};
        ::setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &t, sizeof t);
    }
    ~Client() { ::close(fd_); }

    void sendRaw(const Bytes& bytes) {
        ASSERT_EQ(::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL), ssize_t(bytes.size()));
    }
    static Bytes frame(uint32_t code, const Bytes& in, uint32_t outLen) {
        Bytes f(12);
        rq::putU32(f.data(), code);
        rq::putU32(f.data() + 4, uint32_t(in.size()));
        rq::putU32(f.data() + 8, outLen);
        f.insert(f.end(), in.begin(), in.end());
        return f;
    }
    // ok flag and output of one reply, or nothing when the service closed the connection.
    std::optional<std::pair<uint32_t, Bytes>> reply(uint32_t outLen) {
        Bytes r(8 + outLen);
        size_t got = 0;
        while (got < r.size()) {
            const ssize_t n = ::recv(fd_, r.data() + got, r.size() - got, 0);
            if (n <= 0) return std::nullopt;
            got += size_t(n);
        }
        return std::make_pair(rq::getU32(r.data()), Bytes(r.begin() + 8, r.end()));
    }
    std::optional<std::pair<uint32_t, Bytes>> request(uint32_t code, const Bytes& in, uint32_t outLen) {
        sendRaw(frame(code, in, outLen));
        return reply(outLen);
    }
    // True when a request is answered; false, without failing the test, when the
    // service refused or closed the connection.
    bool answered(uint32_t code, const Bytes& in, uint32_t outLen) {
        const Bytes f = frame(code, in, outLen);
        return connected && ::send(fd_, f.data(), f.size(), MSG_NOSIGNAL) == ssize_t(f.size()) && reply(outLen);
    }
    bool closedByService() {
        uint8_t b;
        return ::recv(fd_, &b, 1, 0) == 0;
    }

    bool connected = false;

private:
    int fd_ = -1;
};

// Runs action once, the moment path exists, from a thread that watches for it without
// pause: what a client waiting for the socket, or an attacker, would do.
class WhenPathAppears {
public:
    WhenPathAppears(std::string path, std::function<void()> action)
        : thread_([this, path = std::move(path), action = std::move(action)] {
              struct stat st {};
              watching_ = true;
              while (::lstat(path.c_str(), &st) != 0)
                  if (stop_) return;
              action();
          }) {
        while (!watching_) std::this_thread::yield();
    }
    ~WhenPathAppears() {
        stop_ = true;
        thread_.join();
    }

private:
    std::atomic<bool> watching_{false};
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

std::string ownGroup() {
    const group* g = ::getgrgid(::getgid());
    return g ? g->gr_name : "root";
}

class ServerTest : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string boardPath = dir.file("board.txt");
        std::ofstream(boardPath) << "<QVN>\n<MB>\n<SB>ICH2\n<HWM>\n<MODEL>W83782D\n</HWM>\n</MB>\n";
        board = BoardDescription::load(boardPath);
        policy = std::make_unique<AccessPolicy>(board, bus, log);
        decoder = std::make_unique<RequestDecoder>(bus, *policy, log);
        bus.smbus[{0x5C, 0x28}] = 0x96;
    }
    void listen(mode_t mode = 0660, ServerLimits limits = {}) {
        server = std::make_unique<Server>(*decoder, log, limits);
        server->listen({path, ownGroup(), true, mode});
    }
    void run() {
        thread = std::thread([this] { server->run(); });
    }
    void start(mode_t mode = 0660, ServerLimits limits = {}) {
        listen(mode, limits);
        run();
    }
    void TearDown() override {
        if (server) server->stop();
        if (thread.joinable()) thread.join();
        server.reset();
    }

    TempDir dir;
    std::string path = dir.file("run/qvnbdrv.sock");
    BoardDescription board;
    testing::RecordingBus bus;
    std::ostringstream logText;
    Logger log{LogLevel::Debug, logText};
    std::unique_ptr<AccessPolicy> policy;
    std::unique_ptr<RequestDecoder> decoder;
    std::unique_ptr<Server> server;
    std::thread thread;
};

TEST_F(ServerTest, ServesSeveralClientsEachWithItsOwnAnswers) {
    start();
    Client a(path), b(path);
    ASSERT_TRUE(a.connected && b.connected);
    bus.smbus[{0x5C, 0x29}] = 0x44;
    // Both send before either reads.
    a.sendRaw(Client::frame(rq::kSmbusReadByte, {0x5C, 0x28, 0, 0}, 4));
    b.sendRaw(Client::frame(rq::kSmbusReadByte, {0x5C, 0x29, 0, 0}, 4));
    EXPECT_EQ(b.reply(4)->second[0], 0x44);
    EXPECT_EQ(a.reply(4)->second[0], 0x96);
}

TEST_F(ServerTest, TheLibrarysChainsReachTheBusOnlyUpToTheirFirstFailure) {
    using qvnhwm::DriverChannel;
    start();
    DriverChannel channel(std::make_unique<qvnhwm::SocketTransport>(path));
    ASSERT_TRUE(channel.Open());
    // 0x30 is no chip of this board: refused, and the read behind it not performed.
    std::array broken{DriverChannel::smbusWrite(0x5C, 0x4E, 0x80), DriverChannel::smbusRead(0x5C, 0x28),
                      DriverChannel::smbusRead(0x30, 0x28), DriverChannel::smbusRead(0x5C, 0x29)};
    EXPECT_FALSE(channel.Chain(broken));
    // The second goes out in one write behind its count.
    std::array whole{DriverChannel::smbusRead(0x5C, 0x28), DriverChannel::smbusRead(0x5C, 0x4E)};
    EXPECT_TRUE(channel.Chain(whole));
    EXPECT_EQ(whole[0].out[0], 0x96);
    EXPECT_EQ(whole[1].out[0], 0x80);
    EXPECT_EQ(bus.operations, (std::vector<std::string>{"smbus-write 5C 4E 80", "smbus-read 5C 28", "smbus-read 5C 28",
                                                        "smbus-read 5C 4E"}));
}

TEST_F(ServerTest, AssemblesFramesThatArriveInPieces) {
    start();
    Client c(path);
    const Bytes f = Client::frame(rq::kSmbusReadByte, {0x5C, 0x28, 0, 0}, 4);
    for (uint8_t byte : f) {
        c.sendRaw({byte});
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    const auto r = c.reply(4);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->first, 1u);
    EXPECT_EQ(r->second, (Bytes{0x96, 0, 0, 0}));
}

TEST_F(ServerTest, RefusesAWrongSizeAndKeepsServingThatClient) {
    start();
    Client c(path);
    auto r = c.request(rq::kSmbusReadByte, {0x5C, 0x28, 0, 0, 0}, 4);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->first, 0u);
    EXPECT_EQ(r->second, Bytes(4, 0));
    r = c.request(0x222650, Bytes(8, 0), 4);  // the unused function 0x994
    ASSERT_TRUE(r);
    EXPECT_EQ(r->first, 0u);
    r = c.request(rq::kSmbusReadByte, {0xA0, 0, 0, 0}, 4);  // an address not on the board
    ASSERT_TRUE(r);
    EXPECT_EQ(r->first, 0u);
    r = c.request(rq::kSmbusReadByte, {0x5C, 0x28, 0, 0}, 4);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->first, 1u);
}

TEST_F(ServerTest, DropsOnlyTheClientOfAnOversizedFrame) {
    start();
    Client bad(path), good(path);
    bad.sendRaw(Client::frame(rq::kSmbusReadByte, {}, 1u << 30));
    EXPECT_TRUE(bad.closedByService());
    auto r = good.request(rq::kSmbusReadByte, {0x5C, 0x28, 0, 0}, 4);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->first, 1u);
    Client next(path);
    EXPECT_TRUE(next.request(rq::kSmbusReadByte, {0x5C, 0x28, 0, 0}, 4));
    EXPECT_NE(logText.str().find("dropped a client"), std::string::npos);
}

TEST_F(ServerTest, AClientLeavingMidFrameDisturbsNoOne) {
    start();
    Client good(path);
    {
        Client leaving(path);
        leaving.sendRaw({0x48, 0x26, 0x22, 0x00, 4, 0});
    }
    auto r = good.request(rq::kSmbusReadByte, {0x5C, 0x28, 0, 0}, 4);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->first, 1u);
}

TEST_F(ServerTest, GivesTheSocketItsModeAndGroup) {
    start(0660);
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_TRUE(S_ISSOCK(st.st_mode));
    EXPECT_EQ(st.st_mode & 0777, 0660u);
    EXPECT_EQ(st.st_gid, ::getgid());
}

TEST_F(ServerTest, ReplacesAStaleSocketButNeverALiveServiceOrAFile) {
    start();
    Server second(*decoder, log);
    EXPECT_THROW(second.listen({path, ownGroup(), false, 0660}), ServiceError);
    server->stop();
    thread.join();
    server.reset();
    EXPECT_FALSE(std::filesystem::exists(path));  // a clean end removes the socket

    // A socket file left behind by a service that died is taken over.
    {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un a{};
        a.sun_family = AF_UNIX;
        std::strncpy(a.sun_path, path.c_str(), sizeof a.sun_path - 1);
        ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
        ::close(fd);
    }
    start();
    Client c(path);
    EXPECT_TRUE(c.request(rq::kSmbusReadByte, {0x5C, 0x28, 0, 0}, 4));

    const std::string file = dir.file("not-a-socket");
    std::ofstream(file) << "keep me";
    Server third(*decoder, log);
    EXPECT_THROW(third.listen({file, ownGroup(), false, 0660}), ServiceError);
    EXPECT_TRUE(std::filesystem::exists(file));
}

TEST_F(ServerTest, RefusesAGroupThatWasAskedForButDoesNotExist) {
    Server s(*decoder, log);
    EXPECT_THROW(s.listen({path, "no-such-group-qvn", true, 0660}), ServiceError);
    Server lenient(*decoder, log);
    EXPECT_NO_THROW(lenient.listen({dir.file("other.sock"), "no-such-group-qvn", false, 0660}));
    EXPECT_NE(logText.str().find("group no-such-group-qvn does not exist"), std::string::npos);
}

TEST_F(ServerTest, ServesAnotherClientBetweenTheRequestsOfAFlooder) {
    listen();
    Client flooder(path), other(path);
    Bytes flood;
    for (int i = 0; i < 1000; ++i) {
        const Bytes f = Client::frame(rq::kSmbusReadByte, {0x5C, 0x28, 0, 0}, 4);
        flood.insert(flood.end(), f.begin(), f.end());
    }
    flooder.sendRaw(flood);
    other.sendRaw(Client::frame(rq::kSmbusReadByte, {0x5C, 0x29, 0, 0}, 4));
    bus.operations.clear();
    run();
    ASSERT_TRUE(other.reply(4));
    server->stop();
    thread.join();
    const auto& ops = bus.operations;
    EXPECT_LE(std::find(ops.begin(), ops.end(), "smbus-read 5C 29") - ops.begin(), 1);
}

TEST_F(ServerTest, LimitsTheConnectionsOfOneUser) {
    ServerLimits limits;
    limits.connectionsPerUid = 3;
    start(0660, limits);
    std::vector<std::unique_ptr<Client>> mine;
    for (int i = 0; i < 3; ++i) {
        mine.push_back(std::make_unique<Client>(path));
        ASSERT_TRUE(mine.back()->request(rq::kSmbusReadByte, {0x5C, 0x28, 0, 0}, 4));
    }
    Client fourth(path);
    EXPECT_TRUE(fourth.closedByService());
    EXPECT_NE(logText.str().find("uid " + std::to_string(::getuid()) + " has 3 open already (client uid"),
              std::string::npos);
    // A slot given back is free again, once the service has seen it go.
    mine.pop_back();
    bool served = false;
    for (int attempt = 0; attempt < 100 && !served; ++attempt) {
        if (attempt) std::this_thread::sleep_for(std::chrono::milliseconds(20));
        served = Client(path).answered(rq::kSmbusReadByte, {0x5C, 0x28, 0, 0}, 4);
    }
    EXPECT_TRUE(served);
}

TEST_F(ServerTest, ClosesIdleAndHalfSentConnections) {
    using namespace std::chrono_literals;
    struct Case {
        const char* what;
        Timeouts timeouts;
        Bytes sent;
    };
    const Case cases[] = {
        {"idle", {kHoldBound, 300ms, 60s}, {}},
        {"half-sent", {kHoldBound, 60s, 300ms}, {0x48, 0x26, 0x22, 0x00, 4, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        start(0660, ServerLimits{kMaxConnections, kMaxConnectionsPerUid, c.timeouts});
        Client quiet(path), victim(path);
        if (!c.sent.empty()) victim.sendRaw(c.sent);
        EXPECT_TRUE(victim.closedByService());
        // The one that sent nothing outlives a half-sent frame's time-out.
        if (!c.sent.empty()) {
            EXPECT_TRUE(quiet.request(rq::kSmbusReadByte, {0x5C, 0x28, 0, 0}, 4));
        }
        TearDown();
    }
    EXPECT_NE(logText.str().find("closed a connection that sent no request for 300 ms"), std::string::npos);
    EXPECT_NE(logText.str().find("closed a connection that left a frame unfinished for 300 ms"), std::string::npos);
}

TEST_F(ServerTest, CutsOffAStuckHolderWithoutWaitingForOtherTraffic) {
    ServerLimits limits;
    limits.timeouts.hold = std::chrono::milliseconds(200);
    start(0660, limits);
    Client stuck(path), other(path);
    const auto granted = stuck.request(rq::kBeginOperation, {}, 0);
    ASSERT_TRUE(granted);
    EXPECT_EQ(granted->first, 1u);
    const auto r = other.request(rq::kSmbusReadByte, {0x5C, 0x28, 0, 0}, 4);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->first, 1u);
    EXPECT_NE(logText.str().find("held the service longer than 200 ms"), std::string::npos);
}

TEST_F(ServerTest, ItsPathAppearsOnlyOnceConnectionsAreAccepted) {
    ASSERT_EQ(::mkdir(dir.file("run").c_str(), 0755), 0);
    std::atomic<int> refused{0};
    for (int trial = 0; trial < 30; ++trial) {
        {
            WhenPathAppears waiter(path, [&] {
                if (!Client(path).connected) ++refused;
            });
            listen();
        }
        server.reset();
    }
    EXPECT_EQ(refused, 0);
}

// Someone who can write the folder swaps the socket for a link the moment it appears.
TEST_F(ServerTest, RefusesAFolderSomeoneElseCanWriteAndNeverFollowsALinkThere) {
    struct Case {
        mode_t mode;
        uid_t owner;
    };
    const Case cases[] = {{0777, ::geteuid()}, {0775, ::geteuid()}, {01777, ::geteuid()}, {0755, 65534}};
    const std::string target = dir.file("secret");
    std::ofstream(target) << "root only";
    ASSERT_EQ(::chmod(target.c_str(), 0600), 0);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode);
        if (c.owner != ::geteuid() && ::geteuid() != 0) continue;  // only root gives a folder away
        const std::string folder = dir.file(std::to_string(&c - cases)), socket = folder + "/qvnbdrv.sock";
        ASSERT_EQ(::mkdir(folder.c_str(), 0700), 0);
        ASSERT_EQ(::chmod(folder.c_str(), c.mode), 0);
        ASSERT_EQ(::chown(folder.c_str(), c.owner, gid_t(-1)), 0);
        for (int trial = 0; trial < 10; ++trial) {
            {
                WhenPathAppears attacker(socket, [&] {
                    ::unlink(socket.c_str());
                    [[maybe_unused]] const int linked = ::symlink(target.c_str(), socket.c_str());
                });
                Server s(*decoder, log);
                EXPECT_THROW(s.listen({socket, ownGroup(), true, 0666}), ServiceError);
            }
            ::unlink(socket.c_str());
        }
    }
    struct stat st {};
    ASSERT_EQ(::stat(target.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);
}

}  // namespace
}  // namespace qvnbdrv
