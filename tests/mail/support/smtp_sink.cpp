#include "smtp_sink.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

#include "file_text.h"

namespace qorv::testing {

namespace {

namespace fs = std::filesystem;

std::vector<std::string> splitLines(const std::string& text, const std::string& end) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const auto stop = text.find(end, start);
        if (stop == std::string::npos) {
            lines.push_back(text.substr(start));
            break;
        }
        lines.push_back(text.substr(start, stop - start));
        start = stop + end.size();
    }
    return lines;
}

// A TCP socket on 127.0.0.1 at a port the system picks.
int boundLoopbackSocket(int& port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof a;
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &length) != 0)
        throw std::runtime_error("cannot bind a loopback socket");
    port = ntohs(a.sin_port);
    return fd;
}

const char* replyName(SinkReply reply) {
    switch (reply) {
        case SinkReply::kNeverAnswers: return "silent";
        case SinkReply::kTrickles: return "trickle";
        case SinkReply::kAnswersLate: return "late";
        case SinkReply::kStores: break;
    }
    return "store";
}

}  // namespace

SmtpSink::SmtpSink(SinkReply reply) {
    folder_ = dir_.path().string();
    const std::string log = folder_ + "/sink.log";
    pid_ = ::fork();
    if (pid_ == 0) {
        const int fd = ::open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fd >= 0) {
            ::dup2(fd, STDOUT_FILENO);
            ::dup2(fd, STDERR_FILENO);
        }
        ::execl(QORV_PYTHON, QORV_PYTHON, QORV_SMTP_SINK, folder_.c_str(), replyName(reply),
                static_cast<char*>(nullptr));
        ::_exit(127);
    }
    const fs::path portFile = fs::path(folder_) / "port";
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(15);
    while (std::chrono::steady_clock::now() < deadline) {
        if (fs::exists(portFile)) {
            port_ = std::stoi(qorv::testing::fileText(portFile));
            return;
        }
        int status = 0;
        if (::waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = -1;
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    throw std::runtime_error("the SMTP sink did not start: " + qorv::testing::fileText(log));
}

SmtpSink::~SmtpSink() {
    if (pid_ > 0) {
        ::kill(pid_, SIGTERM);
        int status = 0;
        ::waitpid(pid_, &status, 0);
    }
}

std::string SmtpSink::server() const { return "127.0.0.1:" + std::to_string(port_); }

std::vector<ReceivedMail> SmtpSink::mails() const {
    std::vector<ReceivedMail> mails;
    for (int n = 1;; ++n) {
        const fs::path base = fs::path(folder_) / std::to_string(n);
        if (!fs::exists(base.string() + ".eml")) break;
        ReceivedMail mail;
        const auto envelope = splitLines(qorv::testing::fileText(base.string() + ".envelope"), "\n");
        if (!envelope.empty()) {
            mail.sender = envelope.front();
            mail.receivers.assign(envelope.begin() + 1, envelope.end());
        }
        mail.text = qorv::testing::fileText(base.string() + ".eml");
        const auto blank = mail.text.find("\r\n\r\n");
        mail.headerLines = splitLines(mail.text.substr(0, blank), "\r\n");
        if (blank != std::string::npos) mail.bodyLines = splitLines(mail.text.substr(blank + 4), "\r\n");
        mails.push_back(std::move(mail));
    }
    return mails;
}

SilentServer::SilentServer() {
    listener_ = boundLoopbackSocket(port_);
    // The kernel completes each connection from the backlog; nobody ever reads or writes.
    if (::listen(listener_, 8) != 0) throw std::runtime_error("cannot listen");
}

SilentServer::~SilentServer() { ::close(listener_); }

std::string SilentServer::server() const { return "127.0.0.1:" + std::to_string(port_); }

int closedPort() {
    int port = 0;
    ::close(boundLoopbackSocket(port));
    return port;
}

}  // namespace qorv::testing
