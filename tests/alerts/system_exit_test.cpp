// The system exit against a bus of the test's own, with a stand-in for the login manager
// that records what it was asked and grants or refuses it.
#include <fcntl.h>
#include <gtest/gtest.h>

#include "file_text.h"
#include "temp_dir.h"
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "system_exit.h"

namespace qorv {
namespace {

namespace fs = std::filesystem;

const fs::path kLogin1StandIn = fs::path(__FILE__).parent_path() / "login1_stand_in.py";
// The system's own Python, which holds Debian's D-Bus bindings.
constexpr const char* kPython = "/usr/bin/python3";

// A program started for a test, stopped with the object. Its standard error goes to a
// log; the first line it writes is kept.
class Child {
public:
    Child(const std::vector<std::string>& arguments, const fs::path& log) {
        std::vector<char*> argv;
        for (const std::string& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        int out[2];
        if (::pipe2(out, O_CLOEXEC) != 0) return;
        const int err = ::open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        pid_ = ::fork();
        if (pid_ == 0) {
            ::dup2(out[1], STDOUT_FILENO);
            if (err >= 0) ::dup2(err, STDERR_FILENO);
            ::execvp(argv[0], argv.data());
            ::_exit(127);
        }
        ::close(out[1]);
        if (err >= 0) ::close(err);
        char c;
        while (::read(out[0], &c, 1) == 1 && c != '\n') line_ += c;
        ::close(out[0]);
    }
    ~Child() {
        if (pid_ <= 0) return;
        ::kill(pid_, SIGTERM);
        int status = 0;
        ::waitpid(pid_, &status, 0);
    }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    const std::string& firstLine() const { return line_; }

private:
    pid_t pid_ = -1;
    std::string line_;
};

class SystemExitOverDBus : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = dir_.path();
        std::ofstream(folder_ / "bus.conf") << "<busconfig>\n"
                                               "  <type>session</type>\n"
                                               "  <listen>unix:path="
                                            << (folder_ / "bus").string()
                                            << "</listen>\n"
                                               "  <auth>EXTERNAL</auth>\n"
                                               "  <policy context=\"default\">\n"
                                               "    <allow send_destination=\"*\"/>\n"
                                               "    <allow receive_sender=\"*\"/>\n"
                                               "    <allow own=\"*\"/>\n"
                                               "  </policy>\n"
                                               "</busconfig>\n";
        bus_.emplace(std::vector<std::string>{"dbus-daemon", "--config-file=" + (folder_ / "bus.conf").string(),
                                              "--nofork", "--print-address"},
                     folder_ / "bus.log");
        address_ = bus_->firstLine();
        ASSERT_FALSE(address_.empty()) << "dbus-daemon did not start: " << qorv::testing::fileText(folder_ / "bus.log");
    }

    void TearDown() override {
        login1_.reset();
        bus_.reset();
    }

    void startLogin1(const char* mode) {
        login1_.emplace(
            std::vector<std::string>{kPython, kLogin1StandIn.string(), address_, (folder_ / "requests").string(), mode},
            folder_ / "login1.log");
        ASSERT_EQ(login1_->firstLine(), "ready") << qorv::testing::fileText(folder_ / "login1.log");
    }

    SystemExit systemExit(std::string address) {
        return SystemExit([this](const std::string& m) { messages.push_back(m); },
                          [this](const std::string& r) { reports.push_back(r); }, std::move(address));
    }
    SystemExit systemExit() { return systemExit(address_); }

    // What the login manager was asked, one "METHOD SIGNATURE ARGUMENTS" line per call.
    std::vector<std::string> requests() const {
        std::vector<std::string> lines;
        std::ifstream f(folder_ / "requests");
        for (std::string line; std::getline(f, line);) lines.push_back(line);
        return lines;
    }

    std::vector<std::string> messages;
    std::vector<std::string> reports;

private:
    qorv::testing::TempDir dir_;
    fs::path folder_;
    std::optional<Child> bus_;
    std::optional<Child> login1_;
    std::string address_;
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

}  // namespace
}  // namespace qorv
