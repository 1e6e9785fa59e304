#include "service_process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <fstream>
#include <sstream>
#include <thread>

#include "file_text.h"

namespace qorv::testing {

namespace {

pid_t spawn(const std::vector<std::string>& arguments, const std::string& logPath) {
    std::vector<char*> argv;
    std::string program = QVNBDRV_EXECUTABLE;
    argv.push_back(program.data());
    std::vector<std::string> copy = arguments;
    for (std::string& a : copy) argv.push_back(a.data());
    argv.push_back(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int log = ::open(logPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (log >= 0) {
            ::dup2(log, STDERR_FILENO);
            ::dup2(log, STDOUT_FILENO);
        }
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    return pid;
}

bool answers(const std::string& path) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un a{};
    a.sun_family = AF_UNIX;
    std::strncpy(a.sun_path, path.c_str(), sizeof a.sun_path - 1);
    const bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    ::close(fd);
    return ok;
}

}  // namespace

ServiceProcess::ServiceProcess(const std::string& board, const std::string& socket, const std::string& logPath,
                               std::vector<std::string> extra)
    : logPath_(logPath) {
    std::vector<std::string> args{"--simulate", "--board", board, "--socket", socket, "--log-level", "debug"};
    args.insert(args.end(), extra.begin(), extra.end());
    pid_ = spawn(args, logPath);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < deadline) {
        if (answers(socket)) {
            ready_ = true;
            return;
        }
        if (::waitpid(pid_, &status_, WNOHANG) == pid_) {
            pid_ = -1;
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

ServiceProcess::~ServiceProcess() { stop(); }

int ServiceProcess::stop() {
    if (pid_ > 0) {
        ::kill(pid_, SIGTERM);
        ::waitpid(pid_, &status_, 0);
        pid_ = -1;
    }
    return status_ >= 0 && WIFEXITED(status_) ? WEXITSTATUS(status_) : -1;
}

std::string ServiceProcess::log() const { return qorv::testing::fileText(logPath_); }

int runServiceToEnd(const std::vector<std::string>& arguments, std::string& log) {
    char path[] = "/tmp/qvnbdrv-log-XXXXXX";
    const int fd = ::mkstemp(path);
    ::close(fd);
    const pid_t pid = spawn(arguments, path);
    int status = 0;
    ::waitpid(pid, &status, 0);
    log = qorv::testing::fileText(path);
    ::unlink(path);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace qorv::testing
