// The service's log stays bounded without going blind: each kind of refusal has its own
// budget per window, what goes over it is counted, and a full once-table still lets new
// events through.
#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "logger.h"

namespace qvnbdrv {
namespace {

using std::chrono::seconds;

class LoggerTest : public ::testing::Test {
protected:
    std::ostringstream text;
    std::chrono::steady_clock::time_point now{};
    Logger log{LogLevel::Info, text, [this] { return now; }};
    const Peer flooder{1000, 4242};
    const Peer prober{1001, 77};

    std::vector<std::string> lines() const {
        std::vector<std::string> result;
        std::istringstream in(text.str());
        for (std::string line; std::getline(in, line);) result.push_back(line);
        return result;
    }
    size_t linesWith(const std::string& part) const {
        size_t n = 0;
        for (const std::string& line : lines()) n += line.find(part) != std::string::npos;
        return n;
    }
};

TEST_F(LoggerTest, AFloodOfUnknownCodesHidesNeitherAnSmbusNorAPortProbe) {
    for (uint32_t code = 0; code < 256; ++code)
        log.refusal(EventKind::UnknownCode, flooder, "refused unknown request code " + hex(0x300000 + code, 6));
    log.refusal(EventKind::SmbusAddress, prober, "refused SMBus read at 0xA0");
    log.refusal(EventKind::Port, prober, "refused read of I/O port 0x0CF8");
    // once() with every one of its keys taken still reports a new kind of event.
    for (int key = 0; key < 256; ++key) log.once(LogLevel::Warning, "key " + std::to_string(key), "event");
    log.once(LogLevel::Warning, "host", "no SMBus host answers");

    EXPECT_EQ(linesWith("refused unknown request code"), Logger::kLinesPerWindow);
    EXPECT_EQ(linesWith("refused SMBus read at 0xA0 (client uid 1001 pid 77)"), 1u) << text.str();
    EXPECT_EQ(linesWith("refused read of I/O port 0x0CF8 (client uid 1001 pid 77)"), 1u) << text.str();
    EXPECT_EQ(linesWith("no SMBus host answers"), 1u);
}

TEST_F(LoggerTest, HeldBackLinesAreCountedOnceTheWindowEnds) {
    const struct {
        const char* name;
        int events;
        bool closedByTick;  // else by the next event of the kind
        const char* countLine;
    } cases[] = {
        {"tick", 25, true,
         "15 more refusals of this kind: I/O ports outside the board, within 60 s; the last from uid 1000 pid 4242"},
        {"next event", 12, false, "2 more refusals of this kind: I/O ports outside the board"},
        {"nothing held", 10, true, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        text.str("");
        now += seconds(3600);  // leave every earlier window behind
        log.tick();
        text.str("");
        for (int i = 0; i < c.events; ++i) log.refusal(EventKind::Port, flooder, "refused port");
        now += seconds(59);
        log.tick();
        EXPECT_EQ(linesWith("more refusals"), 0u) << "the window is still open";

        now += seconds(2);
        if (c.closedByTick)
            log.tick();
        else
            log.refusal(EventKind::Port, prober, "refused port");
        const auto all = lines();
        const size_t countLines = linesWith("more refusals");
        if (!c.countLine) {
            EXPECT_EQ(countLines, 0u) << text.str();
            continue;
        }
        ASSERT_EQ(countLines, 1u) << text.str();
        EXPECT_NE(all.at(Logger::kLinesPerWindow).find(c.countLine), std::string::npos) << text.str();
        // The next window starts with a full budget.
        for (unsigned i = 0; i < Logger::kLinesPerWindow; ++i) log.refusal(EventKind::Port, prober, "refused again");
        EXPECT_EQ(linesWith("refused again") + (c.closedByTick ? 0 : 1), Logger::kLinesPerWindow);
    }
}

TEST_F(LoggerTest, NewOnceKeysBeyondTheTableShareOneCountedBudget) {
    for (int key = 0; key < 300; ++key)
        log.once(LogLevel::Warning, "key " + std::to_string(key), "event " + std::to_string(key));
    EXPECT_EQ(lines().size(), Logger::kMaxOnceKeys + Logger::kLinesPerWindow);
    log.once(LogLevel::Warning, "key 3", "event 3");  // remembered: stays quiet
    now += Logger::kWindow;
    log.tick();
    EXPECT_EQ(linesWith("34 more new kinds of events"), 1u) << text.str();
    EXPECT_EQ(linesWith("the last: event 299"), 1u);
    log.once(LogLevel::Warning, "fresh", "a fresh event");
    EXPECT_EQ(linesWith("a fresh event"), 1u);
}

TEST(LoggerJournalTest, RefusalsAndCountsCarryTheWarningPriority) {
    ::setenv("JOURNAL_STREAM", "8:1234", 1);
    std::ostringstream text;
    std::chrono::steady_clock::time_point now{};
    Logger log(LogLevel::Info, text, [&] { return now; });
    ::unsetenv("JOURNAL_STREAM");
    for (unsigned i = 0; i <= Logger::kLinesPerWindow; ++i) log.refusal(EventKind::Connection, {0, 1}, "dropped");
    now += Logger::kWindow;
    log.tick();
    log.error("stopped");
    std::istringstream in(text.str());
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    ASSERT_EQ(lines.size(), Logger::kLinesPerWindow + 2);
    EXPECT_EQ(lines.front(), "<4>qvnbdrv: warning: dropped (client uid 0 pid 1)");
    EXPECT_EQ(lines[Logger::kLinesPerWindow].rfind("<4>qvnbdrv: warning: 1 more refusals", 0), 0u) << lines[10];
    EXPECT_EQ(lines.back(), "<3>qvnbdrv: error: stopped");
}

}  // namespace
}  // namespace qvnbdrv
