// The sockets of one mail transfer, cut off at its deadline by a watch thread of their
// own. libcurl waits for some replies in blocking loops that its total limit does not
// end (QUIT's reply at the close gets two minutes); a socket shut down ends such a wait
// at once, whatever step libcurl is in and whatever the server does.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

namespace qvnmail {

#if defined(_WIN32)
using SocketHandle = std::uintptr_t;  // SOCKET
#else
using SocketHandle = int;
#endif
// INVALID_SOCKET on Windows, -1 elsewhere.
inline constexpr SocketHandle kNoSocket = static_cast<SocketHandle>(-1);

class SocketCutter {
public:
    explicit SocketCutter(std::chrono::steady_clock::time_point deadline);
    // Ends the watch. Every socket has been closed through close() by then.
    ~SocketCutter();
    SocketCutter(const SocketCutter&) = delete;
    SocketCutter& operator=(const SocketCutter&) = delete;

    // A new socket that a started program does not inherit; kNoSocket once the deadline
    // has passed or the system has none to give.
    SocketHandle open(int family, int type, int protocol);
    // 0 when the socket closed.
    int close(SocketHandle socket);
    // Nothing more is read from any socket: a reply still owed is not waited for, while
    // what is still to be sent goes out until the deadline.
    void stopReading();

private:
    void watch();

    const std::chrono::steady_clock::time_point deadline_;
    std::mutex mutex_;
    std::condition_variable ending_;
    bool endingNow_ = false;
    bool cut_ = false;
    std::vector<SocketHandle> sockets_;  // open, not yet closed
    std::thread watcher_;                // last: it starts once everything above is set
};

}  // namespace qvnmail
