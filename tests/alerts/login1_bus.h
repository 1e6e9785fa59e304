// A D-Bus bus of a test's own (dbus-daemon on a socket in a temporary folder) with the
// login manager's stand-in on it, which records what it is asked (login1_stand_in.py).
// Programs reach it through address(), or as their system bus through
// DBUS_SYSTEM_BUS_ADDRESS.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "file_text.h"
#include "temp_dir.h"

namespace qorv::testing {

// A program started for a test, stopped with the object (SIGTERM) unless stopped before.
// Its standard error goes to a log; with waitForLine, the first line it writes to
// standard output is awaited and kept.
class Child {
public:
    Child(const std::vector<std::string>& arguments, const std::filesystem::path& log, bool waitForLine = true) {
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
        while (waitForLine && ::read(out[0], &c, 1) == 1 && c != '\n') line_ += c;
        ::close(out[0]);
    }
    ~Child() { stop(SIGTERM); }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    const std::string& firstLine() const { return line_; }
    void signal(int number) const {
        if (pid_ > 0) ::kill(pid_, number);
    }
    // Sends the signal and waits for the end: the wait status, or -1 when already stopped.
    int stop(int number) {
        if (pid_ <= 0) return -1;
        ::kill(pid_, number);
        int status = 0;
        ::waitpid(pid_, &status, 0);
        pid_ = -1;
        return status;
    }

private:
    pid_t pid_ = -1;
    std::string line_;
};

class Login1Bus {
public:
    // The bus alone; start() puts the stand-in on it.
    Login1Bus() {
        const std::filesystem::path& folder = dir_.path();
        std::ofstream(folder / "bus.conf") << "<busconfig>\n"
                                              "  <type>session</type>\n"
                                              "  <listen>unix:path="
                                           << (folder / "bus").string()
                                           << "</listen>\n"
                                              "  <auth>EXTERNAL</auth>\n"
                                              "  <policy context=\"default\">\n"
                                              "    <allow send_destination=\"*\"/>\n"
                                              "    <allow receive_sender=\"*\"/>\n"
                                              "    <allow own=\"*\"/>\n"
                                              "  </policy>\n"
                                              "</busconfig>\n";
        bus_.emplace(std::vector<std::string>{"dbus-daemon", "--config-file=" + (folder / "bus.conf").string(),
                                              "--nofork", "--print-address"},
                     folder / "bus.log");
        address_ = bus_->firstLine();
    }
    ~Login1Bus() {
        login1_.reset();
        bus_.reset();
    }
    Login1Bus(const Login1Bus&) = delete;
    Login1Bus& operator=(const Login1Bus&) = delete;

    // Empty when dbus-daemon did not start; busLog() says why.
    const std::string& address() const { return address_; }
    std::string busLog() const { return fileText(dir_.path() / "bus.log"); }

    // mode: "grant" or "refuse". True once the stand-in owns its name; login1Log() says
    // why not.
    bool start(const char* mode) {
        login1_.emplace(
            std::vector<std::string>{kPython, kStandIn.string(), address_, (dir_.path() / "requests").string(), mode},
            dir_.path() / "login1.log");
        return login1_->firstLine() == "ready";
    }
    std::string login1Log() const { return fileText(dir_.path() / "login1.log"); }

    // What the stand-in was asked, one "METHOD SIGNATURE ARGUMENTS" line per call.
    std::vector<std::string> requests() const {
        std::vector<std::string> lines;
        std::ifstream f(dir_.path() / "requests");
        for (std::string line; std::getline(f, line);) lines.push_back(line);
        return lines;
    }

private:
    // The system's own Python, which holds Debian's D-Bus bindings.
    static constexpr const char* kPython = "/usr/bin/python3";
    inline static const std::filesystem::path kStandIn =
        std::filesystem::path(__FILE__).parent_path() / "login1_stand_in.py";

    TempDir dir_;
    std::optional<Child> bus_;
    std::optional<Child> login1_;
    std::string address_;
};

}  // namespace qorv::testing
