#include "server.h"

#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "driver_requests.h"

namespace qvnbdrv {

namespace {

namespace rq = qvnhwm::request;

constexpr size_t kHeaderSize = 12;      // code, in_len, out_len
constexpr size_t kReplyHeaderSize = 8;  // ok, returned

std::string systemError(const std::string& what) { return what + ": " + std::strerror(errno); }

sockaddr_un addressOf(const std::string& path) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path) throw ServiceError("socket path " + path + " is too long");
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    return address;
}

// True when a live service answers on path.
bool someoneServes(const std::string& path) {
    const sockaddr_un address = addressOf(path);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    const bool live = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return live;
}

void setNonBlocking(int fd) { ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK); }

}  // namespace

Server::Server(RequestDecoder& decoder, Logger& log) : decoder_(decoder), log_(log) {
    if (::pipe2(wake_, O_CLOEXEC | O_NONBLOCK) != 0) throw ServiceError(systemError("cannot create a pipe"));
}

Server::~Server() {
    for (auto& [fd, client] : clients_) ::close(fd);
    if (listener_ >= 0) {
        ::close(listener_);
        // Remove the socket only if it is still ours, not a successor's.
        struct stat st {};
        if (::lstat(path_.c_str(), &st) == 0 && st.st_dev == socketDevice_ && st.st_ino == socketInode_)
            ::unlink(path_.c_str());
    }
    ::close(wake_[0]);
    ::close(wake_[1]);
}

void Server::listen(const SocketSettings& settings) {
    path_ = settings.path;
    const sockaddr_un address = addressOf(path_);

    const std::filesystem::path folder = std::filesystem::path(path_).parent_path();
    if (!folder.empty() && !std::filesystem::exists(folder)) {
        if (::mkdir(folder.c_str(), 0755) != 0) throw ServiceError(systemError("cannot create " + folder.string()));
    }

    struct stat st {};
    if (::lstat(path_.c_str(), &st) == 0) {
        if (!S_ISSOCK(st.st_mode)) throw ServiceError(path_ + " exists and is not a socket; not replacing it");
        if (someoneServes(path_)) throw ServiceError("another service already answers on " + path_);
        ::unlink(path_.c_str());  // left behind by a service that did not end cleanly
    }

    listener_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (listener_ < 0) throw ServiceError(systemError("cannot create a socket"));
    // Born owner-only, so no one connects before the permissions below are in place.
    const mode_t oldMask = ::umask(0177);
    const int bound = ::bind(listener_, reinterpret_cast<const sockaddr*>(&address), sizeof address);
    ::umask(oldMask);
    if (bound != 0) throw ServiceError(systemError("cannot bind " + path_));
    if (::lstat(path_.c_str(), &st) == 0) {
        socketDevice_ = st.st_dev;
        socketInode_ = st.st_ino;
    }

    if (const group* g = ::getgrnam(settings.group.c_str())) {
        if (::chown(path_.c_str(), uid_t(-1), g->gr_gid) != 0) {
            const std::string message = systemError("cannot give " + path_ + " to group " + settings.group);
            if (settings.groupRequired) throw ServiceError(message);
            log_.warning(message);
        }
    } else if (settings.groupRequired) {
        throw ServiceError("group " + settings.group + " does not exist");
    } else {
        log_.warning("group " + settings.group + " does not exist; " + path_ +
                     " keeps the service's own group, so only that group's members can use it");
    }
    if (::chmod(path_.c_str(), settings.mode) != 0) throw ServiceError(systemError("cannot set the mode of " + path_));
    if (::listen(listener_, 16) != 0) throw ServiceError(systemError("cannot listen on " + path_));
    setNonBlocking(listener_);
    char mode[8];
    std::snprintf(mode, sizeof mode, "%04o", unsigned(settings.mode));
    log_.info("listening on " + path_ + " (mode " + mode + ")");
}

void Server::stop() {
    const char byte = 's';
    [[maybe_unused]] const ssize_t n = ::write(wake_[1], &byte, 1);
}

void Server::run() {
    std::vector<pollfd> fds;
    for (;;) {
        fds.clear();
        fds.push_back({wake_[0], POLLIN, 0});
        fds.push_back({listener_, POLLIN, 0});
        for (const auto& [fd, client] : clients_)
            fds.push_back({fd, short(POLLIN | (client.out.empty() ? 0 : POLLOUT)), 0});

        if (::poll(fds.data(), fds.size(), -1) < 0) {
            if (errno == EINTR) continue;
            log_.error(systemError("poll failed"));
            return;
        }
        if (fds[0].revents) return;
        if (fds[1].revents & POLLIN) accept();
        for (size_t i = 2; i < fds.size(); ++i) {
            const int fd = fds[i].fd;
            auto it = clients_.find(fd);
            if (it == clients_.end() || !fds[i].revents) continue;
            bool keep = true;
            if (fds[i].revents & (POLLIN | POLLHUP | POLLERR)) keep = readFrom(fd, it->second);
            if (keep && !it->second.out.empty()) keep = flush(fd, it->second);
            if (!keep) drop(fd);
        }
    }
}

void Server::accept() {
    for (;;) {
        const int fd = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd < 0) return;
        if (clients_.size() >= kMaxClients) {
            log_.once(LogLevel::Warning, "too many clients",
                      "refused a client: " + std::to_string(kMaxClients) + " are connected already");
            ::close(fd);
            continue;
        }
        clients_[fd];
        log_.debug("client " + std::to_string(fd) + " connected");
    }
}

bool Server::readFrom(int fd, Client& client) {
    uint8_t buffer[4096];
    for (;;) {
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n > 0) {
            client.in.insert(client.in.end(), buffer, buffer + n);
            if (!serveFrames(fd, client)) return false;
            continue;
        }
        if (n == 0) return false;  // the client went away
        if (errno == EINTR) continue;
        return errno == EAGAIN || errno == EWOULDBLOCK;
    }
}

bool Server::serveFrames(int fd, Client& client) {
    size_t at = 0;
    while (client.in.size() - at >= kHeaderSize) {
        const uint8_t* header = client.in.data() + at;
        const uint32_t code = rq::getU32(header);
        const uint32_t inLen = rq::getU32(header + 4);
        const uint32_t outLen = rq::getU32(header + 8);
        if (inLen > kMaxBuffer || outLen > kMaxBuffer) {
            log_.once(LogLevel::Warning, "oversized frame",
                      "dropped a client whose frame announced " + std::to_string(inLen) + " input and " +
                          std::to_string(outLen) + " output bytes");
            return false;
        }
        if (client.in.size() - at < kHeaderSize + inLen) break;

        std::vector<uint8_t> reply(kReplyHeaderSize + outLen);
        const std::span<const uint8_t> input(header + kHeaderSize, inLen);
        const bool ok = decoder_.handle(Peer{}, code, input, std::span<uint8_t>(reply.data() + kReplyHeaderSize, outLen));
        rq::putU32(reply.data(), ok ? 1 : 0);
        rq::putU32(reply.data() + 4, ok ? outLen : 0);
        client.out.insert(client.out.end(), reply.begin(), reply.end());
        at += kHeaderSize + inLen;
    }
    client.in.erase(client.in.begin(), client.in.begin() + std::ptrdiff_t(at));
    if (!client.out.empty() && !flush(fd, client)) return false;
    return true;
}

bool Server::flush(int fd, Client& client) {
    while (!client.out.empty()) {
        const ssize_t n = ::send(fd, client.out.data(), client.out.size(), MSG_NOSIGNAL);
        if (n > 0) {
            client.out.erase(client.out.begin(), client.out.begin() + n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) break;
        return false;
    }
    if (client.out.size() > kMaxPendingOutput) {
        log_.once(LogLevel::Warning, "unread answers", "dropped a client that does not read its answers");
        return false;
    }
    return true;
}

void Server::drop(int fd) {
    ::close(fd);
    clients_.erase(fd);
    log_.debug("client " + std::to_string(fd) + " gone");
}

}  // namespace qvnbdrv
