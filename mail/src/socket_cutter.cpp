#include "socket_cutter.h"

#include <algorithm>

#if defined(_WIN32)
#  include <winsock2.h>
#else
#  include <sys/socket.h>
#  include <unistd.h>
#endif

namespace qvnmail {

namespace {

#if defined(_WIN32)
constexpr int kStopReading = SD_RECEIVE;
constexpr int kStopBoth = SD_BOTH;

// Handles are not inherited unless a program is started with inheritance asked for.
SocketHandle newSocket(int family, int type, int protocol) { return ::socket(family, type, protocol); }
int closeSocket(SocketHandle socket) { return ::closesocket(socket); }
#else
constexpr int kStopReading = SHUT_RD;
constexpr int kStopBoth = SHUT_RDWR;

SocketHandle newSocket(int family, int type, int protocol) { return ::socket(family, type | SOCK_CLOEXEC, protocol); }
int closeSocket(SocketHandle socket) { return ::close(socket); }
#endif

}  // namespace

SocketCutter::SocketCutter(std::chrono::steady_clock::time_point deadline)
    : deadline_(deadline), watcher_([this] { watch(); }) {}

SocketCutter::~SocketCutter() {
    {
        std::lock_guard lock(mutex_);
        endingNow_ = true;
    }
    ending_.notify_one();
    watcher_.join();
}

SocketHandle SocketCutter::open(int family, int type, int protocol) {
    std::lock_guard lock(mutex_);
    if (cut_) return kNoSocket;
    const SocketHandle socket = newSocket(family, type, protocol);
    if (socket != kNoSocket) sockets_.push_back(socket);
    return socket;
}

// Forgotten and closed under the lock: the watch never shuts down a number the system
// has already handed to someone else.
int SocketCutter::close(SocketHandle socket) {
    std::lock_guard lock(mutex_);
    sockets_.erase(std::remove(sockets_.begin(), sockets_.end(), socket), sockets_.end());
    return closeSocket(socket);
}

void SocketCutter::stopReading() {
    std::lock_guard lock(mutex_);
    for (const SocketHandle socket : sockets_) ::shutdown(socket, kStopReading);
}

// A blocked wait on a socket shut down both ways returns at once, and every later read
// or write on it fails.
void SocketCutter::watch() {
    std::unique_lock lock(mutex_);
    if (ending_.wait_until(lock, deadline_, [this] { return endingNow_; })) return;
    cut_ = true;
    for (const SocketHandle socket : sockets_) ::shutdown(socket, kStopBoth);
}

}  // namespace qvnmail
