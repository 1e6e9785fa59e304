#include "socket_transport.h"

#include <sys/socket.h>
#include <sys/time.h>
#include <sys/un.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "driver_requests.h"

namespace qvnhwm {

namespace {

constexpr size_t kHeaderSize = 12;      // code, in_len, out_len
constexpr size_t kReplyHeaderSize = 8;  // ok, returned

bool sendAll(int fd, const uint8_t* data, size_t size) {
    while (size > 0) {
        const ssize_t n = ::send(fd, data, size, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data += n;
        size -= size_t(n);
    }
    return true;
}

bool receiveAll(int fd, uint8_t* data, size_t size) {
    while (size > 0) {
        const ssize_t n = ::recv(fd, data, size, 0);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;  // closed, broken or timed out
        data += n;
        size -= size_t(n);
    }
    return true;
}

// A connection the service closed while idle (its idle time-out, a restart) reads as end
// of file, and one carrying bytes no request asked for is out of step: neither can carry
// the next request. Only a connection with nothing to read is usable.
bool stillUsable(int fd) {
    uint8_t byte = 0;
    ssize_t n;
    do {
        n = ::recv(fd, &byte, 1, MSG_PEEK | MSG_DONTWAIT);
    } while (n < 0 && errno == EINTR);
    return n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK);
}

}  // namespace

std::unique_ptr<DeviceTransport> makePlatformTransport() { return std::make_unique<SocketTransport>(); }

SocketTransport::~SocketTransport() { drop(); }

bool SocketTransport::connectSocket() {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path_.empty() || path_.size() >= sizeof address.sun_path) return false;
    std::memcpy(address.sun_path, path_.c_str(), path_.size() + 1);

    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    timeval timeout{};
    timeout.tv_sec = kRequestTimeout.count();
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout);
    int rc;
    do {
        rc = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address);
    } while (rc < 0 && errno == EINTR);
    if (rc < 0) {
        ::close(fd);
        return false;
    }
    fd_ = fd;
    noHolds_ = false;  // a new connection may reach another server
    return true;
}

void SocketTransport::drop() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    held_ = false;  // the service releases a hold with its connection
}

bool SocketTransport::ensureConnected(bool& fresh) {
    fresh = false;
    if (fd_ >= 0 && !stillUsable(fd_)) drop();
    if (fd_ >= 0) return true;
    fresh = connectSocket();
    return fresh;
}

bool SocketTransport::exchange(uint32_t code, const void* in, uint32_t inLen, void* out, uint32_t outLen, bool& ok) {
    std::vector<uint8_t> frame(kHeaderSize + inLen);
    request::putU32(frame.data(), code);
    request::putU32(frame.data() + 4, inLen);
    request::putU32(frame.data() + 8, outLen);
    if (inLen) std::memcpy(frame.data() + kHeaderSize, in, inLen);

    std::array<uint8_t, kReplyHeaderSize> header{};
    std::vector<uint8_t> output(outLen);
    if (!sendAll(fd_, frame.data(), frame.size()) || !receiveAll(fd_, header.data(), header.size()) ||
        !receiveAll(fd_, output.data(), output.size())) {
        // Whatever of the frame is still in flight would desynchronise the next request.
        drop();
        return false;
    }
    ok = request::getU32(header.data()) == 1;
    if (ok && outLen) std::memcpy(out, output.data(), outLen);
    return true;
}

bool SocketTransport::requestHold() {
    bool granted = false;
    if (!exchange(request::kBeginOperation, nullptr, 0, nullptr, 0, granted)) return false;
    held_ = granted;
    noHolds_ = !granted;
    return true;
}

bool SocketTransport::open() {
    drop();
    inOperation_ = false;
    if (!fixedPath_.empty()) {
        path_ = fixedPath_;
    } else {
        const char* fromEnvironment = std::getenv(kSocketPathVariable);
        path_ = fromEnvironment && *fromEnvironment ? fromEnvironment : kDefaultSocketPath;
    }
    opened_ = connectSocket();
    return opened_;
}

bool SocketTransport::close() {
    drop();
    opened_ = false;
    inOperation_ = false;
    return true;
}

bool SocketTransport::control(uint32_t code, const void* in, uint32_t inLen, void* out, uint32_t outLen) {
    if (!opened_) return false;
    // A connection that broke under an earlier request gets one new attempt per request.
    bool fresh = false;
    if (!ensureConnected(fresh)) return false;
    // The rest of an operation on a new connection is held again before it goes on.
    if (fresh && inOperation_ && !requestHold()) return false;
    bool ok = false;
    return exchange(code, in, inLen, out, outLen, ok) && ok;
}

bool SocketTransport::beginOperation() {
    if (!opened_) return false;
    bool fresh = false;
    if (!ensureConnected(fresh)) return false;
    // A Begin that breaks or times out fails the operation as any request would; the
    // next operation connects again.
    if (!noHolds_ && !requestHold()) return false;
    inOperation_ = true;
    return true;
}

void SocketTransport::endOperation() {
    inOperation_ = false;
    if (!held_) return;
    held_ = false;
    // Its answer changes nothing: a connection that breaks here releases the hold too.
    bool ok = false;
    exchange(request::kEndOperation, nullptr, 0, nullptr, 0, ok);
}

}  // namespace qvnhwm
