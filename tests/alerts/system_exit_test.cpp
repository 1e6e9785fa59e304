// The system exit against a bus of the test's own, with a stand-in for the login manager
// that records what it was asked and grants or refuses it.
#include <gtest/gtest.h>
#include <time.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "login1_bus.h"
#include "system_exit.h"
#include "system_exit_scheduled.h"

namespace qorv {
namespace {

namespace fs = std::filesystem;

class SystemExitOverDBus : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_FALSE(bus_.address().empty()) << "dbus-daemon did not start: " << bus_.busLog(); }

    void startLogin1(const char* mode) { ASSERT_TRUE(bus_.start(mode)) << bus_.login1Log(); }

    SystemExit systemExit(std::string address) {
        return SystemExit([this](const std::string& m) { messages.push_back(m); },
                          [this](const std::string& r) { reports.push_back(r); }, std::move(address));
    }
    SystemExit systemExit() { return systemExit(bus_.address()); }
    const std::string& address() const { return bus_.address(); }

    // What the login manager was asked, one "METHOD SIGNATURE ARGUMENTS" line per call.
    std::vector<std::string> requests() const { return bus_.requests(); }

    std::vector<std::string> messages;
    std::vector<std::string> reports;

private:
    qorv::testing::Login1Bus bus_;
};

bool mentions(const std::string& line, const std::string& text) { return line.find(text) != std::string::npos; }

TEST_F(SystemExitOverDBus, ShutdownPowersOffAndRebootRestartsWithoutAskingTheUser) {
    startLogin1("grant");
    SystemExit exit = systemExit();
    EXPECT_TRUE(exit.ExitSystem(13));
    // A second request through the same object: the private connection is made afresh.
    EXPECT_TRUE(exit.ExitSystem(6));
    EXPECT_EQ(requests(), (std::vector<std::string>{"PowerOff b false", "Reboot b false"}));
    EXPECT_TRUE(messages.empty());
    EXPECT_TRUE(reports.empty());
}

TEST_F(SystemExitOverDBus, ARefusedRequestShowsTheMessageAndLogsTheErrorName) {
    startLogin1("refuse");
    SystemExit exit = systemExit();
    EXPECT_FALSE(exit.ExitSystem(13));
    EXPECT_FALSE(exit.ExitSystem(6));
    EXPECT_EQ(requests(), (std::vector<std::string>{"PowerOff b false", "Reboot b false"}));
    EXPECT_EQ(messages, (std::vector<std::string>(2, "Can not close down Windows")));
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_TRUE(mentions(reports[0], "org.freedesktop.DBus.Error.AccessDenied")) << reports[0];
    EXPECT_TRUE(mentions(reports[0], "PowerOff")) << reports[0];
    EXPECT_TRUE(mentions(reports[1], "Reboot")) << reports[1];
}

TEST_F(SystemExitOverDBus, NobodyToAskIsARefusalToo) {
    // A bus without the login manager on it, and no bus at all.
    EXPECT_FALSE(systemExit().ExitSystem(13));
    const std::string nowhere = "unix:path=" + (fs::temp_directory_path() / "qorv-exit-no-bus-here").string();
    EXPECT_FALSE(systemExit(nowhere).ExitSystem(6));
    EXPECT_EQ(messages, (std::vector<std::string>(2, "Can not close down Windows")));
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_TRUE(mentions(reports[0], "org.freedesktop.DBus.Error.ServiceUnknown")) << reports[0];
    EXPECT_TRUE(mentions(reports[1], "org.freedesktop.DBus.Error.")) << reports[1];
}

TEST_F(SystemExitOverDBus, FlagsThatAreNeitherShutdownNorRebootAreRefusedWithoutAsking) {
    startLogin1("grant");
    SystemExit exit = systemExit();
    // Logging off, each flag alone, the two requests short of a flag, and with a stray one.
    const uint32_t others[] = {0, 1, 2, 4, 8, 5, 12, 13 | 0x10, 6 | 0x10000, 0xFFFFFFFF};
    for (uint32_t flags : others) EXPECT_FALSE(exit.ExitSystem(flags)) << flags;
    EXPECT_TRUE(requests().empty());
    EXPECT_EQ(messages, (std::vector<std::string>(std::size(others), "Can not close down Windows")));
    ASSERT_FALSE(reports.empty());
    EXPECT_TRUE(mentions(reports.back(), "4294967295")) << reports.back();
}

uint64_t realtimeMicroseconds() {
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    return uint64_t(now.tv_sec) * 1000000u + uint64_t(now.tv_nsec) / 1000u;
}

TEST_F(SystemExitOverDBus, TheServiceSchedulesTheExitTheCountdownsLengthAheadAndNeverForNow) {
    startLogin1("grant");
    ScheduledShutdown shutdown(address());
    const uint64_t delay = 15300000;  // microseconds: 51 ticks of 300 ms
    struct Case {
        uint32_t flags;
        const char* type;
    };
    for (const Case c : {Case{13, "poweroff"}, Case{6, "reboot"}}) {
        const uint64_t before = realtimeMicroseconds();
        const ScheduledExit done = shutdown.schedule(c.flags);
        const uint64_t after = realtimeMicroseconds();
        EXPECT_TRUE(done.ok) << done.error;
        EXPECT_EQ(done.type, c.type);
        EXPECT_GE(done.usec, before + delay);
        EXPECT_LE(done.usec, after + delay);
        ASSERT_FALSE(requests().empty());
        EXPECT_EQ(requests().back(), std::string("ScheduleShutdown st ") + c.type + " " + std::to_string(done.usec));
    }
    // Neither shutdown nor reboot: nothing is asked.
    EXPECT_FALSE(shutdown.schedule(4).ok);
    EXPECT_EQ(requests().size(), 2u);
}

TEST_F(SystemExitOverDBus, AScheduleRefusedOrWithNobodyToAskSaysWhy) {
    startLogin1("refuse");
    const ScheduledExit refused = ScheduledShutdown(address()).schedule(13);
    EXPECT_FALSE(refused.ok);
    EXPECT_TRUE(mentions(refused.error, "org.freedesktop.DBus.Error.AccessDenied")) << refused.error;
    const std::string nowhere = "unix:path=" + (fs::temp_directory_path() / "qorv-exit-no-bus-here").string();
    const ScheduledExit noBus = ScheduledShutdown(nowhere).schedule(6);
    EXPECT_FALSE(noBus.ok);
    EXPECT_TRUE(mentions(noBus.error, "no bus")) << noBus.error;
}

}  // namespace
}  // namespace qorv
