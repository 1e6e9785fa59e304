// The service's socket: many clients at once on one thread. This is the socket I/O; the
// Dispatcher decides what is served when. Each round of the loop reads at most one buffer
// per client, gives every client with a request one turn, and writes what the sockets take.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <map>
#include <stdexcept>
#include <string>

#include "dispatcher.h"
#include "logger.h"
#include "peer.h"
#include "request_decoder.h"

namespace qvnbdrv {

struct SocketSettings {
    std::string path;
    std::string group;
    bool groupRequired = false;  // a group that must exist and be applied
    mode_t mode = 0660;
};

// Connections open at once, in all and per user, so that one member of the group cannot
// take every slot: 256 is far above what a window, a watcher and a few probes need.
inline constexpr size_t kMaxConnections = 1024;
inline constexpr size_t kMaxConnectionsPerUid = 256;

struct ServerLimits {
    size_t connections = kMaxConnections;
    size_t connectionsPerUid = kMaxConnectionsPerUid;
    Timeouts timeouts;
};

class ServiceError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class Server {
public:
    Server(RequestDecoder& decoder, Logger& log, ServerLimits limits = {});
    ~Server();
    Server(const Server&) = delete;
    Server& operator=(const Server&) = delete;

    // Creates the socket with its permissions; returns once connections to its path are
    // accepted. Throws ServiceError with a message for the user when that cannot be done
    // safely.
    void listen(const SocketSettings& settings);
    // Serves until stop().
    void run();
    // Safe from a signal handler and from another thread.
    void stop();

private:
    void checkFolder(const std::string& folder) const;
    void checkFinalPath() const;
    // Binds the listener to a fresh name in folder and returns it.
    std::string bindTemporary(const std::string& folder);
    void applyGroupAndMode(const std::string& name, const SocketSettings& settings);
    void raiseDescriptorLimit();

    void acceptSome();
    // False when the client is to be dropped.
    bool readFrom(int fd);
    bool flush(int fd);
    void drop(int fd);

    Logger& log_;
    ServerLimits limits_;
    Dispatcher dispatcher_;
    std::string path_;
    dev_t socketDevice_ = 0;
    ino_t socketInode_ = 0;
    int listener_ = -1;
    int wake_[2] = {-1, -1};
    std::map<int, Peer> clients_;
    std::map<uid_t, size_t> perUid_;
};

}  // namespace qvnbdrv
