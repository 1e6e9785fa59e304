// The service's socket: many clients at once on one thread, each request answered
// whole before the next is looked at, so no request ever interleaves with another.
#pragma once

#include <cstdint>
#include <map>
#include <stdexcept>
#include <string>
#include <sys/types.h>
#include <vector>

#include "logger.h"
#include "request_decoder.h"

namespace qvnbdrv {

struct SocketSettings {
    std::string path;
    std::string group;
    bool groupRequired = false;  // a group that must exist and be applied
    mode_t mode = 0660;
};

class ServiceError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class Server {
public:
    // No request of the protocol carries more than this in either direction; a header
    // announcing more is no client of ours.
    static constexpr uint32_t kMaxBuffer = 64;
    static constexpr size_t kMaxClients = 64;
    // A client that sends but never reads is dropped before its answers pile up.
    static constexpr size_t kMaxPendingOutput = 64 * 1024;

    Server(RequestDecoder& decoder, Logger& log);
    ~Server();
    Server(const Server&) = delete;
    Server& operator=(const Server&) = delete;

    // Creates the socket with its permissions; throws ServiceError with a message for
    // the user when that cannot be done safely.
    void listen(const SocketSettings& settings);
    // Serves until stop().
    void run();
    // Safe from a signal handler and from another thread.
    void stop();

private:
    struct Client {
        std::vector<uint8_t> in;
        std::vector<uint8_t> out;
    };

    void accept();
    // False when the client is to be dropped.
    bool readFrom(int fd, Client& client);
    bool serveFrames(int fd, Client& client);
    bool flush(int fd, Client& client);
    void drop(int fd);

    RequestDecoder& decoder_;
    Logger& log_;
    std::string path_;
    dev_t socketDevice_ = 0;
    ino_t socketInode_ = 0;
    int listener_ = -1;
    int wake_[2] = {-1, -1};
    std::map<int, Client> clients_;
};

}  // namespace qvnbdrv
