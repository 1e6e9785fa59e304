#include "server.h"

#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <vector>

namespace qvnbdrv {

namespace {

constexpr size_t kReadChunk = 4096;   // read from one client per round
constexpr int kAcceptsPerRound = 64;  // a flood of connects cannot stall the served ones
constexpr int kBindAttempts = 16;     // temporary names tried beside the socket's path
// Descriptors besides the clients': standard streams, listener, wake pipe, bus devices.
constexpr rlim_t kReservedDescriptors = 32;
constexpr std::chrono::seconds kTickInterval{1};  // the log's held-back counts

std::string systemError(const std::string& what) { return what + ": " + std::strerror(errno); }

std::string octal(mode_t mode) {
    char text[8];
    std::snprintf(text, sizeof text, "%04o", unsigned(mode & 07777));
    return text;
}

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

Server::Server(RequestDecoder& decoder, Logger& log, ServerLimits limits)
    : log_(log), limits_(limits), dispatcher_(decoder, log, limits.timeouts) {
    if (::pipe2(wake_, O_CLOEXEC | O_NONBLOCK) != 0) throw ServiceError(systemError("cannot create a pipe"));
}

Server::~Server() {
    for (const auto& [fd, peer] : clients_) ::close(fd);
    if (listener_ >= 0) {
        ::close(listener_);
        // Remove the socket only if it is still ours, not a successor's.
        struct stat st {};
        if (socketInode_ != 0 && ::lstat(path_.c_str(), &st) == 0 && st.st_dev == socketDevice_ &&
            st.st_ino == socketInode_)
            ::unlink(path_.c_str());
    }
    ::close(wake_[0]);
    ::close(wake_[1]);
}

void Server::listen(const SocketSettings& settings) {
    path_ = settings.path;
    addressOf(path_);
    std::string folder = std::filesystem::path(path_).parent_path().string();
    if (folder.empty()) folder = ".";
    struct stat st {};
    if (::stat(folder.c_str(), &st) != 0 && errno == ENOENT && ::mkdir(folder.c_str(), 0755) != 0)
        throw ServiceError(systemError("cannot create " + folder));
    checkFolder(folder);
    checkFinalPath();
    raiseDescriptorLimit();

    listener_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (listener_ < 0) throw ServiceError(systemError("cannot create a socket"));
    const std::string temporary = bindTemporary(folder);
    try {
        applyGroupAndMode(temporary, settings);
        if (::listen(listener_, SOMAXCONN) != 0) throw ServiceError(systemError("cannot listen on " + temporary));
        if (::lstat(temporary.c_str(), &st) == 0) {
            socketDevice_ = st.st_dev;
            socketInode_ = st.st_ino;
        }
        // Only now does the path exist, so whoever finds it can connect; a stale socket
        // of a service that died goes in the same step.
        if (::rename(temporary.c_str(), path_.c_str()) != 0)
            throw ServiceError(systemError("cannot move " + temporary + " to " + path_));
    } catch (...) {
        ::unlink(temporary.c_str());
        socketInode_ = 0;
        throw;
    }
    setNonBlocking(listener_);
    log_.info("listening on " + path_ + " (mode " + octal(settings.mode) + ")");
}

// The socket's name and its set-up happen in this folder: anyone else who can write it
// could swap the name for a link and redirect the set-up, or replace the socket.
void Server::checkFolder(const std::string& folder) const {
    struct stat st {};
    if (::stat(folder.c_str(), &st) != 0) throw ServiceError(systemError("cannot examine the socket folder " + folder));
    if (!S_ISDIR(st.st_mode)) throw ServiceError("the socket folder " + folder + " is not a folder");
    if (st.st_uid != 0 && st.st_uid != ::geteuid())
        throw ServiceError("the socket folder " + folder + " belongs to uid " + std::to_string(st.st_uid) +
                           "; it must belong to root or to the service's own user, or that user could replace "
                           "the socket");
    if (st.st_mode & (S_IWGRP | S_IWOTH))
        throw ServiceError("the socket folder " + folder + " (mode " + octal(st.st_mode) +
                           ") is writable by group or others, who could replace the socket or redirect its "
                           "set-up; use a folder only the service can write, such as /run/qvnbdrv");
}

void Server::checkFinalPath() const {
    struct stat st {};
    if (::lstat(path_.c_str(), &st) != 0) return;
    if (!S_ISSOCK(st.st_mode)) throw ServiceError(path_ + " exists and is not a socket; not replacing it");
    if (someoneServes(path_)) throw ServiceError("another service already answers on " + path_);
}

std::string Server::bindTemporary(const std::string& folder) {
    const std::string base = std::filesystem::path(path_).filename().string();
    for (int attempt = 0; attempt < kBindAttempts; ++attempt) {
        const std::string name =
            folder + "/." + base + "." + std::to_string(::getpid()) + "." + std::to_string(attempt);
        if (name.size() >= sizeof(sockaddr_un::sun_path))
            throw ServiceError("socket path " + path_ + " is too long to be set up beside it; choose a shorter one");
        const sockaddr_un address = addressOf(name);
        // Born owner-only, so no one connects before the group and mode are in place.
        const mode_t oldMask = ::umask(0177);
        const int bound = ::bind(listener_, reinterpret_cast<const sockaddr*>(&address), sizeof address);
        const int cause = errno;
        ::umask(oldMask);
        if (bound == 0) return name;
        errno = cause;
        if (cause != EADDRINUSE) throw ServiceError(systemError("cannot bind " + name));
    }
    throw ServiceError("cannot bind a socket in " + folder + ": every temporary name is taken");
}

// By name: safe, since checkFolder made sure no one else can write the folder.
void Server::applyGroupAndMode(const std::string& name, const SocketSettings& settings) {
    if (const group* g = ::getgrnam(settings.group.c_str())) {
        if (::chown(name.c_str(), uid_t(-1), g->gr_gid) != 0) {
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
    if (::chmod(name.c_str(), settings.mode) != 0) throw ServiceError(systemError("cannot set the mode of " + path_));
}

void Server::raiseDescriptorLimit() {
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0) return;
    const rlim_t wanted = rlim_t(limits_.connections) + kReservedDescriptors;
    if (limit.rlim_cur < wanted && limit.rlim_cur < limit.rlim_max) {
        limit.rlim_cur = std::min(wanted, limit.rlim_max);
        ::setrlimit(RLIMIT_NOFILE, &limit);
        ::getrlimit(RLIMIT_NOFILE, &limit);
    }
    if (limit.rlim_cur < wanted) {
        limits_.connections = limit.rlim_cur > kReservedDescriptors ? size_t(limit.rlim_cur - kReservedDescriptors) : 1;
        log_.warning("serving at most " + std::to_string(limits_.connections) +
                     " connections: the descriptor limit is " + std::to_string(limit.rlim_cur));
    }
}

void Server::stop() {
    const char byte = 's';
    [[maybe_unused]] const ssize_t n = ::write(wake_[1], &byte, 1);
}

void Server::run() {
    using std::chrono::steady_clock;
    std::vector<pollfd> fds;
    std::vector<int> leaving;
    TimePoint nextTick = steady_clock::now() + kTickInterval;
    for (;;) {
        TimePoint now = steady_clock::now();
        if (now >= nextTick) {
            log_.tick();
            nextTick = now + kTickInterval;
        }
        const TimePoint wakeAt = std::min(nextTick, dispatcher_.nextEvent().value_or(nextTick));
        const int timeout = wakeAt <= now ? 0 : int(std::chrono::ceil<std::chrono::milliseconds>(wakeAt - now).count());

        fds.clear();
        fds.push_back({wake_[0], POLLIN, 0});
        fds.push_back({listener_, POLLIN, 0});
        for (const auto& [fd, peer] : clients_) {
            const short events =
                short((dispatcher_.wantsInput(fd) ? POLLIN : 0) | (dispatcher_.output(fd).empty() ? 0 : POLLOUT));
            fds.push_back({fd, events, 0});
        }
        if (::poll(fds.data(), fds.size(), timeout) < 0) {
            if (errno == EINTR) continue;
            log_.error(systemError("poll failed"));
            return;
        }
        if (fds[0].revents) return;

        // Departures before arrivals, so a slot freed in this round is free for a newcomer.
        for (size_t i = 2; i < fds.size(); ++i) {
            const short revents = fds[i].revents;
            if (!revents) continue;
            bool keep = true;
            if (revents & POLLIN)
                keep = readFrom(fds[i].fd);
            else if (revents & (POLLHUP | POLLERR | POLLNVAL))
                keep = false;  // gone while not read
            if (!keep) drop(fds[i].fd);
        }
        if (fds[1].revents & POLLIN) acceptSome();

        dispatcher_.serve();
        for (const ClientId fd : dispatcher_.expired()) drop(fd);
        leaving.clear();
        for (const auto& [fd, peer] : clients_)
            if (!dispatcher_.output(fd).empty() && !flush(fd)) leaving.push_back(fd);
        for (const int fd : leaving) drop(fd);
    }
}

void Server::acceptSome() {
    for (int i = 0; i < kAcceptsPerRound; ++i) {
        const int fd = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd < 0) return;
        ucred credentials{};
        socklen_t size = sizeof credentials;
        if (::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &credentials, &size) != 0) {
            ::close(fd);
            continue;
        }
        const Peer peer{credentials.uid, credentials.pid};
        const auto mine = perUid_.find(peer.uid);
        const size_t ofThisUser = mine == perUid_.end() ? 0 : mine->second;
        std::string refusal;
        if (clients_.size() >= limits_.connections)
            refusal = "refused a connection: " + std::to_string(clients_.size()) + " are open already";
        else if (ofThisUser >= limits_.connectionsPerUid)
            refusal = "refused a connection: uid " + std::to_string(peer.uid) + " has " + std::to_string(ofThisUser) +
                      " open already";
        if (!refusal.empty()) {
            log_.refusal(EventKind::Connection, peer, refusal);
            ::close(fd);
            continue;
        }
        ++perUid_[peer.uid];
        clients_[fd] = peer;
        dispatcher_.add(fd, peer);
        log_.debug("client " + peer.text() + " connected");
    }
}

bool Server::readFrom(int fd) {
    uint8_t buffer[kReadChunk];
    ssize_t n;
    do {
        n = ::recv(fd, buffer, sizeof buffer, 0);
    } while (n < 0 && errno == EINTR);
    if (n > 0) return dispatcher_.receive(fd, std::span<const uint8_t>(buffer, size_t(n)));
    if (n == 0) return false;  // the client went away
    return errno == EAGAIN || errno == EWOULDBLOCK;
}

bool Server::flush(int fd) {
    for (std::span<const uint8_t> out = dispatcher_.output(fd); !out.empty(); out = dispatcher_.output(fd)) {
        const ssize_t n = ::send(fd, out.data(), out.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n > 0) {
            dispatcher_.sent(fd, size_t(n));
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        return n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK);
    }
    return true;
}

void Server::drop(int fd) {
    const auto it = clients_.find(fd);
    if (it == clients_.end()) return;
    ::close(fd);
    dispatcher_.remove(fd);
    const auto mine = perUid_.find(it->second.uid);
    if (mine != perUid_.end() && --mine->second == 0) perUid_.erase(mine);
    log_.debug("client " + it->second.text() + " gone");
    clients_.erase(it);
}

}  // namespace qvnbdrv
