#include "frame_server.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <vector>

#include "driver_requests.h"

namespace qvnhwm::testing {

namespace {

bool readAll(int fd, uint8_t* data, size_t size) {
    while (size > 0) {
        const ssize_t n = ::read(fd, data, size);
        if (n <= 0) return false;
        data += n;
        size -= size_t(n);
    }
    return true;
}

bool writeAll(int fd, const uint8_t* data, size_t size) {
    while (size > 0) {
        const ssize_t n = ::send(fd, data, size, MSG_NOSIGNAL);
        if (n <= 0) return false;
        data += n;
        size -= size_t(n);
    }
    return true;
}

}  // namespace

FrameServer::FrameServer(FakeBoard& board, std::string path) : board_(board), path_(std::move(path)) {
    listener_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path_.c_str(), sizeof address.sun_path - 1);
    ::unlink(path_.c_str());
    if (listener_ < 0 || ::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listener_, 4) != 0 || ::pipe(wake_) != 0)
        throw std::runtime_error("frame server cannot listen on " + path_);
    thread_ = std::thread([this] { run(); });
}

FrameServer::~FrameServer() {
    stopping_ = true;
    const char stop = 's';
    (void)!::write(wake_[1], &stop, 1);
    thread_.join();
    ::close(listener_);
    ::close(wake_[0]);
    ::close(wake_[1]);
    ::unlink(path_.c_str());
}

void FrameServer::closeIdleClient() {
    std::unique_lock lock(closeMutex_);
    const int before = idleCloses_;
    const char close = 'c';
    (void)!::write(wake_[1], &close, 1);
    closed_.wait(lock, [&] { return idleCloses_ > before; });
}

void FrameServer::idleCloseDone() {
    {
        std::lock_guard lock(closeMutex_);
        ++idleCloses_;
    }
    closed_.notify_all();
}

FrameServer::Wake FrameServer::takeWake() {
    char command = 0;
    (void)!::read(wake_[0], &command, 1);
    return stopping_ ? Wake::Stop : Wake::CloseClient;
}

void FrameServer::run() {
    for (;;) {
        pollfd fds[2] = {{listener_, POLLIN, 0}, {wake_[0], POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) continue;
        if (fds[1].revents) {
            if (takeWake() == Wake::Stop) return;
            idleCloseDone();  // no client to close
            continue;
        }
        const int client = ::accept(listener_, nullptr, nullptr);
        if (client < 0) continue;
        ++accepted_;
        const Wake wake = serve(client);
        ::close(client);
        if (wake == Wake::Stop) return;
        if (wake == Wake::CloseClient) idleCloseDone();
    }
}

FrameServer::Wake FrameServer::serve(int client) {
    for (;;) {
        pollfd fds[2] = {{client, POLLIN, 0}, {wake_[0], POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) return Wake::None;
        // Frames already sent are served before a wake-up closes the connection: an idle
        // close comes after the client's last request, as the service's does.
        if (fds[1].revents && !(fds[0].revents & POLLIN)) return takeWake();

        uint8_t header[12];
        if (!readAll(client, header, sizeof header)) return Wake::None;
        const uint32_t code = request::getU32(header);
        const uint32_t inLen = request::getU32(header + 4);
        const uint32_t outLen = request::getU32(header + 8);
        if (inLen > 64 || outLen > 64) return Wake::None;  // no real request is that large
        std::vector<uint8_t> input(inLen), reply(8 + outLen);
        if (!readAll(client, input.data(), inLen)) return Wake::None;
        bool ok;
        {
            std::lock_guard lock(boardMutex_);
            ok = board_.handle(code, input.data(), inLen, reply.data() + 8, outLen);
        }
        if (dropClient_.exchange(false)) return Wake::None;
        if (code == request::kBeginOperation || code == request::kEndOperation) ok = grantHolds_;
        if (!ok) std::fill(reply.begin() + 8, reply.end(), 0);
        request::putU32(reply.data(), ok ? 1 : 0);
        request::putU32(reply.data() + 4, ok ? outLen : 0);
        if (!writeAll(client, reply.data(), reply.size())) return Wake::None;
    }
}

}  // namespace qvnhwm::testing
