// The real service tells systemd it is ready only once its socket accepts, says when it
// stops, and on the hardware bus ends with a non-zero status before any socket exists
// when it must not serve.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "file_text.h"
#include "temp_dir.h"

namespace qvnbdrv {
namespace {

constexpr int kExitUnservable = 78;
constexpr int kSafetyNetMs = 30000;  // only a hung service takes this long

sockaddr_un addressOf(const std::string& path) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
    return address;
}

// The datagram socket systemd gives a Type=notify service as NOTIFY_SOCKET.
class NotifySocket {
public:
    explicit NotifySocket(std::string path) : path_(std::move(path)) {
        fd_ = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        const sockaddr_un address = addressOf(path_);
        if (::bind(fd_, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) ADD_FAILURE() << "bind";
    }
    ~NotifySocket() { ::close(fd_); }
    const std::string& path() const { return path_; }

    // The next message, or "" when none comes within the safety net.
    std::string next() {
        pollfd p{fd_, POLLIN, 0};
        if (::poll(&p, 1, kSafetyNetMs) != 1) return "";
        char buffer[4096];
        const ssize_t n = ::recv(fd_, buffer, sizeof buffer, 0);
        return n > 0 ? std::string(buffer, size_t(n)) : "";
    }

private:
    std::string path_;
    int fd_ = -1;
};

// Starts qvnbdrv with arguments, NOTIFY_SOCKET set, its log in logPath.
pid_t spawn(std::vector<std::string> arguments, const std::string& notifySocket, const std::string& logPath) {
    std::string program = QVNBDRV_EXECUTABLE;
    std::vector<char*> argv{program.data()};
    for (std::string& a : arguments) argv.push_back(a.data());
    argv.push_back(nullptr);
    std::string notify = "NOTIFY_SOCKET=" + notifySocket;
    std::vector<char*> envp{notify.data(), nullptr};
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int log = ::open(logPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (log >= 0) ::dup2(log, STDERR_FILENO);
        ::execve(argv[0], argv.data(), envp.data());
        ::_exit(127);
    }
    return pid;
}

// The exit status, or -1 when the process did not end normally.
int waitForExit(pid_t pid) {
    int status = 0;
    if (::waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
}

std::string boardFile(const std::string& name) { return std::string(QORV_BOARDS_DIR) + "/" + name + ".txt"; }

TEST(ServiceReadinessTest, ReadyComesOnceTheSocketAcceptsAndStoppingWhenItEnds) {
    qorv::testing::TempDir dir;
    NotifySocket notify(dir.file("notify"));
    const std::string socket = dir.file("qvnbdrv.sock");
    const pid_t pid =
        spawn({"--simulate", "--board", boardFile("M4430"), "--socket", socket}, notify.path(), dir.file("log"));

    const std::string ready = notify.next();
    EXPECT_NE(ready.find("READY=1"), std::string::npos) << ready << qorv::testing::fileText(dir.file("log"));
    const int client = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const sockaddr_un address = addressOf(socket);
    EXPECT_EQ(::connect(client, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0)
        << std::strerror(errno);
    ::close(client);

    ::kill(pid, SIGTERM);
    EXPECT_NE(notify.next().find("STOPPING=1"), std::string::npos);
    EXPECT_EQ(waitForExit(pid), 0) << qorv::testing::fileText(dir.file("log"));
}

TEST(ServiceReadinessTest, AKernelDriverOnTheBoardsPortsEndsTheServiceBeforeItsSocketExists) {
    qorv::testing::TempDir dir;
    NotifySocket notify(dir.file("notify"));
    const std::string socket = dir.file("qvnbdrv.sock");
    std::ofstream(dir.file("ioports")) << "0000-0cf7 : PCI Bus 0000:00\n"
                                          "  0290-0297 : pnp 00:07\n"
                                          "    0290-0297 : w83627hf\n";
    // M4440's only chip sits behind ports 0x290/0x291; no device is opened before the check.
    const pid_t pid = spawn({"--board", boardFile("M4440"), "--socket", socket, "--ioports", dir.file("ioports")},
                            notify.path(), dir.file("log"));
    EXPECT_EQ(waitForExit(pid), kExitUnservable);
    const std::string log = qorv::testing::fileText(dir.file("log"));
    EXPECT_NE(log.find("kernel driver w83627hf owns I/O ports 0x0290-0x0297"), std::string::npos) << log;
    EXPECT_FALSE(std::filesystem::exists(socket));
}

}  // namespace
}  // namespace qvnbdrv
