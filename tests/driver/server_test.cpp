#include <grp.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "driver_requests.h"
#include "frame_server.h"
#include "recording_bus.h"
#include "server.h"

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

    void sendRaw(const Bytes& bytes) { ASSERT_EQ(::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL), ssize_t(bytes.size())); }
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
    bool closedByService() {
        uint8_t b;
        return ::recv(fd_, &b, 1, 0) == 0;
    }

    bool connected = false;

private:
    int fd_ = -1;
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
    void start(mode_t mode = 0660) {
        server = std::make_unique<Server>(*decoder, log);
        server->listen({path, ownGroup(), true, mode});
        thread = std::thread([this] { server->run(); });
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
    Logger log{LogLevel::Info, logText};
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

}  // namespace
}  // namespace qvnbdrv
