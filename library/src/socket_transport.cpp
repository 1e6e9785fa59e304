#include "socket_transport.h"

#include <sys/socket.h>
#include <sys/time.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <utility>
#include <vector>

#include "driver_requests.h"

namespace qvnhwm {

namespace {

constexpr size_t kHeaderSize = 12;      // code, in_len, out_len
constexpr size_t kReplyHeaderSize = 8;  // ok, returned

void putHeader(uint8_t* frame, uint32_t code, uint32_t inLen, uint32_t outLen) {
    request::putU32(frame, code);
    request::putU32(frame + 4, inLen);
    request::putU32(frame + 8, outLen);
}

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
    chains_ = Chains::Unknown;
    return true;
}

void SocketTransport::drop() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    held_ = false;  // the service releases a hold with its connection
    beginDue_ = false;
    owedBytes_ = 0;
    checkedInOperation_ = false;
}

bool SocketTransport::takeOwedAnswers() {
    std::array<uint8_t, kReplyHeaderSize> sink{};
    while (owedBytes_ > 0) {
        const ssize_t n = ::recv(fd_, sink.data(), std::min(owedBytes_, sink.size()), MSG_DONTWAIT);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return true;
        if (n <= 0) return false;
        owedBytes_ -= size_t(n);
    }
    return true;
}

bool SocketTransport::ensureConnected(bool& fresh) {
    fresh = false;
    // A connection that still owes answers is one the service has not closed while idle.
    if (fd_ >= 0 && (!takeOwedAnswers() || (owedBytes_ == 0 && !stillUsable(fd_)))) drop();
    if (fd_ >= 0) return true;
    fresh = connectSocket();
    return fresh;
}

bool SocketTransport::exchange(std::span<Frame> frames) {
    // A due Begin goes out in the same write as the operation's first request, and its
    // answer comes in ahead of the request's with the same receive: the service serves the
    // two in order, so the request is inside the hold as if the client had waited for it.
    const bool begin = std::exchange(beginDue_, false);
    // Answers still owed to Ends come in first, with the same receive.
    const size_t owed = std::exchange(owedBytes_, 0);
    size_t requestSize = begin ? kHeaderSize : 0, replySize = owed + (begin ? kReplyHeaderSize : 0);
    for (const Frame& f : frames) {
        requestSize += kHeaderSize + f.inLen;
        replySize += kReplyHeaderSize + f.outLen;
    }
    // The frames of a reading, a chain of them included, fit on the stack.
    constexpr size_t kStackFrames = 512;
    std::array<uint8_t, kStackFrames> stackRequest, stackReply;
    std::vector<uint8_t> largeRequest, largeReply;
    uint8_t* request = stackRequest.data();
    if (requestSize > kStackFrames) {
        largeRequest.resize(requestSize);
        request = largeRequest.data();
    }
    uint8_t* reply = stackReply.data();
    if (replySize > kStackFrames) {
        largeReply.resize(replySize);
        reply = largeReply.data();
    }
    uint8_t* at = request;
    if (begin) {
        putHeader(at, request::kBeginOperation, 0, 0);
        at += kHeaderSize;
    }
    for (const Frame& f : frames) {
        putHeader(at, f.code, f.inLen, f.outLen);
        if (f.inLen) std::memcpy(at + kHeaderSize, f.in, f.inLen);
        at += kHeaderSize + f.inLen;
    }

    if (!sendAll(fd_, request, requestSize) || !receiveAll(fd_, reply, replySize)) {
        // Whatever of the frames is still in flight would desynchronise the next request.
        drop();
        return false;
    }
    const uint8_t* answer = reply + owed;
    if (begin) {
        held_ = request::getU32(answer) == 1;
        noHolds_ = !held_;
        answer += kReplyHeaderSize;
    }
    for (Frame& f : frames) {
        f.ok = request::getU32(answer) == 1;
        if (f.ok && f.outLen) std::memcpy(f.out, answer + kReplyHeaderSize, f.outLen);
        answer += kReplyHeaderSize + f.outLen;
    }
    return true;
}

bool SocketTransport::readyForRequest() {
    if (!opened_) return false;
    // Inside an operation the connection was looked at when the operation began, a moment
    // ago; it is not looked at again before each request.
    if (checkedInOperation_) return true;
    // A connection that broke under an earlier request gets one new attempt per request.
    bool fresh = false;
    if (!ensureConnected(fresh)) return false;
    // The rest of an operation on a new connection is held again before it goes on.
    if (fresh && inOperation_) beginDue_ = true;
    checkedInOperation_ = inOperation_;
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
    if (!readyForRequest()) return false;
    Frame frame{code, in, inLen, out, outLen};
    return exchange(std::span(&frame, 1)) && frame.ok;
}

bool SocketTransport::controlChain(std::span<DriverRequest> chain) {
    if (chain.size() < 2 || chain.size() > request::kMaxChainLength || chains_ == Chains::None)
        return DeviceTransport::controlChain(chain);
    if (!readyForRequest()) return false;
    std::array<uint8_t, request::kChainInSize> count{};
    request::putU32(count.data(), uint32_t(chain.size()));
    std::array<Frame, request::kMaxChainLength + 1> frames;
    frames[0] = {request::kChainRequests, count.data(), uint32_t(count.size()), nullptr, 0};
    size_t first = 0;
    if (chains_ == Chains::Unknown) {
        // A server that does not know chains would perform every request of one sent
        // together, so the first chain on a connection waits for its count's answer.
        if (!exchange(std::span(frames.data(), 1))) return false;
        chains_ = frames[0].ok ? Chains::Known : Chains::None;
        if (chains_ == Chains::None) return DeviceTransport::controlChain(chain);
        first = 1;
    }
    size_t n = 1;
    for (DriverRequest& r : chain) frames[n++] = {r.code, r.in.data(), r.inLen, r.out.data(), r.outLen};
    const std::span<Frame> sent(frames.data() + first, n - first);
    return exchange(sent) && std::all_of(sent.begin(), sent.end(), [](const Frame& f) { return f.ok; });
}

bool SocketTransport::beginOperation() {
    if (!opened_) return false;
    bool fresh = false;
    if (!ensureConnected(fresh)) return false;
    // The Begin waits for the operation's first request, and a Begin that breaks or times
    // out fails that request as any request would; the next request connects again. An
    // operation that sends nothing asks for no hold.
    beginDue_ = !noHolds_;
    inOperation_ = true;
    checkedInOperation_ = true;
    return true;
}

void SocketTransport::endOperation() {
    inOperation_ = false;
    beginDue_ = false;
    checkedInOperation_ = false;
    if (!held_) return;
    held_ = false;
    // The End is not waited for: its answer changes nothing, and the next request takes
    // it off the connection. A connection that breaks here releases the hold too.
    std::array<uint8_t, kHeaderSize> frame{};
    putHeader(frame.data(), request::kEndOperation, 0, 0);
    if (sendAll(fd_, frame.data(), frame.size()))
        owedBytes_ += kReplyHeaderSize;
    else
        drop();
}

}  // namespace qvnhwm
