#include "dispatcher.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <fstream>
#include <sstream>

#include "driver_requests.h"
#include "recording_bus.h"
#include "temp_dir.h"

namespace qvnbdrv {
namespace {

namespace rq = qvnhwm::request;
using namespace std::chrono_literals;
using Bytes = std::vector<uint8_t>;

Bytes frame(uint32_t code, const Bytes& in, uint32_t outLen) {
    Bytes f(12 + in.size());
    rq::putU32(f.data(), code);
    rq::putU32(f.data() + 4, uint32_t(in.size()));
    rq::putU32(f.data() + 8, outLen);
    std::copy(in.begin(), in.end(), f.begin() + 12);
    return f;
}

class DispatcherTest : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string boardPath = dir.file("board.txt");
        std::ofstream(boardPath) << "<QVN>\n<MB>\n<SB>ICH2\n<HWM>\n<MODEL>W83782D\n</HWM>\n</MB>\n";
        board = BoardDescription::load(boardPath);
        policy = std::make_unique<AccessPolicy>(board, bus, log);
        decoder = std::make_unique<RequestDecoder>(bus, *policy, log);
        dispatcher = std::make_unique<Dispatcher>(*decoder, log, Timeouts{}, [this] { return now; });
        bus.operations.clear();
        expected.clear();
        now = TimePoint{} + 1h;
        for (ClientId id : {1, 2}) dispatcher->add(id, Peer{uid_t(1000 + id), pid_t(id)});
    }

    // A read of Winbond register reg: the bus log shows whose request was served when.
    void read(ClientId id, uint8_t reg) { send(id, frame(rq::kSmbusReadByte, {0x5C, reg, 0, 0}, 4), 4); }
    void begin(ClientId id) { send(id, frame(rq::kBeginOperation, {}, 0), 0); }
    void end(ClientId id) { send(id, frame(rq::kEndOperation, {}, 0), 0); }
    void chain(ClientId id, uint32_t length) {
        Bytes count(4);
        rq::putU32(count.data(), length);
        send(id, frame(rq::kChainRequests, count, 0), 0);
    }
    // A read of a chip this board does not have: refused, ok 0, nothing on the bus.
    void refusedRead(ClientId id) { send(id, frame(rq::kSmbusReadByte, {0x30, 0x28, 0, 0}, 4), 4); }
    void send(ClientId id, const Bytes& bytes, uint32_t outLen) {
        ASSERT_TRUE(dispatcher->receive(id, bytes));
        expected[id].push_back(outLen);
    }
    // The ok flags of the answers the client has now; they count as sent.
    std::vector<uint32_t> answers(ClientId id) {
        std::vector<uint32_t> oks;
        std::span<const uint8_t> out = dispatcher->output(id);
        size_t at = 0;
        while (!expected[id].empty() && out.size() - at >= 8 + expected[id].front()) {
            oks.push_back(rq::getU32(out.data() + at));
            at += 8 + expected[id].front();
            expected[id].pop_front();
        }
        dispatcher->sent(id, at);
        return oks;
    }
    // How often the bus served the read of register 0x28 (or 0x29, ...).
    size_t reads(const char* reg) const {
        return size_t(std::count(bus.operations.begin(), bus.operations.end(), std::string("smbus-read 5C ") + reg));
    }

    qorv::testing::TempDir dir;
    BoardDescription board;
    testing::RecordingBus bus;
    std::ostringstream logText;
    Logger log{LogLevel::Debug, logText};
    std::unique_ptr<AccessPolicy> policy;
    std::unique_ptr<RequestDecoder> decoder;
    std::unique_ptr<Dispatcher> dispatcher;
    TimePoint now{};
    std::map<ClientId, std::deque<uint32_t>> expected;
};

using Oks = std::vector<uint32_t>;

TEST_F(DispatcherTest, NoRequestLandsInsideAnotherClientsOperation) {
    begin(1);
    begin(2);  // waits for its grant
    read(2, 0x29);
    dispatcher->serve();
    EXPECT_EQ(answers(1), Oks{1});
    EXPECT_EQ(answers(2), Oks{});

    read(1, 0x28);
    dispatcher->serve();
    EXPECT_EQ(answers(1), Oks{1});
    EXPECT_EQ(answers(2), Oks{});

    end(1);
    read(1, 0x27);  // lands after client 2's operation, which now holds
    dispatcher->serve();
    EXPECT_EQ(answers(1), Oks{1});
    EXPECT_EQ(answers(2), (Oks{1, 1}));
    EXPECT_EQ(dispatcher->holder(), 2);
    end(2);
    dispatcher->serve();
    EXPECT_EQ(bus.operations, (std::vector<std::string>{"smbus-read 5C 28", "smbus-read 5C 29", "smbus-read 5C 27"}));
}

TEST_F(DispatcherTest, AHoldEndsWithEndDisconnectionOrItsBound) {
    for (const std::string how : {"end", "disconnect", "bound"}) {
        SCOPED_TRACE(how);
        SetUp();
        begin(1);
        read(2, 0x29);
        dispatcher->serve();
        EXPECT_EQ(dispatcher->nextEvent(), now + kHoldBound);  // the service wakes for the bound
        if (how == "end") end(1);
        if (how == "disconnect") dispatcher->remove(1);
        if (how == "bound") {
            now += kHoldBound - 1ms;
            dispatcher->serve();
            EXPECT_EQ(reads("29"), 0u);
            now += 1ms;
        }
        dispatcher->serve();
        EXPECT_EQ(reads("29"), 1u);
        EXPECT_FALSE(dispatcher->holder());
        // The client cut off at the bound is served in turn, unheld.
        if (how == "bound") {
            read(1, 0x28);
            end(1);
            read(2, 0x29);
            dispatcher->serve();
            dispatcher->serve();
            EXPECT_EQ(answers(1), (Oks{1, 1, 1}));
            EXPECT_EQ(reads("29"), 2u);
        }
    }
    const std::string text = logText.str();
    EXPECT_NE(text.find("held the service longer than 500 ms"), std::string::npos);
    EXPECT_EQ(text.find("held the service"), text.rfind("held the service"));  // once per hold
}

TEST_F(DispatcherTest, AChainPerformsNothingAfterItsFirstFailure) {
    begin(1);
    chain(1, 3);
    read(1, 0x28);
    refusedRead(1);
    read(1, 0x29);  // not performed
    read(1, 0x2A);  // after the chain of three: served
    chain(1, 0);    // chains of no request or of too many are refused and chain nothing
    chain(1, rq::kMaxChainLength + 1);
    refusedRead(1);
    read(1, 0x27);
    chain(1, 2);  // a new chain starts whole
    read(1, 0x26);
    read(1, 0x25);
    end(1);
    dispatcher->serve();
    EXPECT_EQ(answers(1), (Oks{1, 1, 1, 0, 0, 1, 0, 0, 0, 1, 1, 1, 1, 1}));
    EXPECT_EQ(bus.operations, (std::vector<std::string>{"smbus-read 5C 28", "smbus-read 5C 2A", "smbus-read 5C 27",
                                                        "smbus-read 5C 26", "smbus-read 5C 25"}));
}

// One client pipelines a thousand requests (or operations) before another sends one.
TEST_F(DispatcherTest, AFlooderGetsOneTurnBeforeAnotherClientsRequest) {
    for (const bool held : {false, true}) {
        SCOPED_TRACE(held ? "held operations" : "plain requests");
        SetUp();
        for (int i = 0; i < 1000; ++i) {
            if (held) begin(1);
            read(1, 0x28);
            if (held) end(1);
        }
        EXPECT_FALSE(dispatcher->wantsInput(1));  // not read further, and not dropped
        read(2, 0x29);
        while (reads("29") == 0) {
            dispatcher->serve();
            answers(1);
        }
        EXPECT_LE(reads("28"), 1u);
        while (dispatcher->nextEvent() <= now) {
            dispatcher->serve();
            answers(1);
        }
        EXPECT_EQ(reads("28"), 1000u);
        EXPECT_TRUE(dispatcher->wantsInput(1));
    }
}

// One user holds from ten connections and never ends; another user's operation is the
// next to be granted once the first stuck hold runs out, not the eleventh.
TEST_F(DispatcherTest, TurnsGoByUserSoManyStuckHoldersDelayAnotherUserByOneBound) {
    for (ClientId id = 10; id < 20; ++id) {
        dispatcher->add(id, Peer{666, pid_t(id)});
        begin(id);
    }
    dispatcher->serve();
    const std::optional<ClientId> stuck = dispatcher->holder();
    ASSERT_TRUE(stuck && *stuck >= 10);
    begin(1);
    read(1, 0x28);
    end(1);
    now += kHoldBound;
    dispatcher->serve();
    EXPECT_EQ(reads("28"), 1u);
    EXPECT_EQ(answers(1), (Oks{1, 1, 1}));
}

TEST_F(DispatcherTest, ServesPlainFramesAsAServerWithoutHoldsWould) {
    for (uint8_t byte : frame(rq::kSmbusReadByte, {0x5C, 0x28, 0, 0}, 4))
        ASSERT_TRUE(dispatcher->receive(1, {&byte, 1}));
    expected[1].push_back(4);
    end(1);                                                   // an End without a hold is harmless
    send(1, frame(rq::kBeginOperation, {0, 0, 0, 0}, 0), 0);  // a Begin of the wrong size holds nothing
    read(2, 0x29);
    dispatcher->serve();
    dispatcher->serve();
    dispatcher->serve();
    EXPECT_EQ(answers(1), (Oks{1, 1, 0}));
    EXPECT_EQ(answers(2), Oks{1});
    EXPECT_FALSE(dispatcher->holder());

    EXPECT_FALSE(dispatcher->receive(2, frame(rq::kSmbusReadByte, {}, 1u << 30)));
    EXPECT_NE(logText.str().find("dropped a client whose frame announced 0 input and 1073741824 output bytes"),
              std::string::npos);
}

TEST_F(DispatcherTest, ClosesIdleAndHalfSentConnectionsButNotOnesItKeepsWaiting) {
    dispatcher->add(3, Peer{});
    ASSERT_TRUE(dispatcher->receive(1, Bytes(6, 0x48)));  // half a header
    for (int i = 0; i < 100; ++i) read(2, 0x28);          // more than it reads ahead
    ASSERT_TRUE(dispatcher->receive(2, Bytes(6, 0x48)));  // so the rest of this waits unread
    now += kHalfSentTimeout - 1ms;
    EXPECT_EQ(dispatcher->expired(), std::vector<ClientId>{});
    now += 1ms;
    EXPECT_EQ(dispatcher->expired(), std::vector<ClientId>{1});
    now += kIdleTimeout;
    EXPECT_EQ(dispatcher->expired(), std::vector<ClientId>{3});  // client 2 waits on the service
    EXPECT_NE(logText.str().find("left a frame unfinished for 5 s"), std::string::npos);
    EXPECT_NE(logText.str().find("sent no request for 60 s"), std::string::npos);
}

}  // namespace
}  // namespace qvnbdrv
