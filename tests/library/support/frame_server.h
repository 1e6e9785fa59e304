// A stand-in for the driver service: serves the frame protocol on a Unix socket from a
// FakeBoard, one client connection at a time, in a thread of its own. Like a server that
// knows only the eight request codes it answers a hold with ok 0, unless told to grant.
#pragma once

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

#include "fake_board.h"
#include "temp_dir.h"

namespace qvnhwm::testing {

class FrameServer {
public:
    FrameServer(FakeBoard& board, std::string path);
    ~FrameServer();
    FrameServer(const FrameServer&) = delete;
    FrameServer& operator=(const FrameServer&) = delete;

    const std::string& path() const { return path_; }
    // Ends the client's connection at its next request, unanswered, as a service that
    // fails under a request would.
    void dropClient() { dropClient_ = true; }
    // Closes the client's connection between requests, as the service's idle time-out
    // does; returns once it is closed.
    void closeIdleClient();
    // Answers holds (kBeginOperation, kEndOperation) with ok 1, as the driver service does.
    void grantHolds() { grantHolds_ = true; }
    int connectionsAccepted() const { return accepted_; }

    // Guards the board while the server thread may be answering from it.
    std::mutex& boardMutex() { return boardMutex_; }

private:
    enum class Wake { None, Stop, CloseClient };
    void run();
    // Serves one connection until it ends; tells why when a wake-up ended it.
    Wake serve(int client);
    Wake takeWake();
    void idleCloseDone();

    FakeBoard& board_;
    std::string path_;
    int listener_ = -1;
    int wake_[2] = {-1, -1};
    std::atomic<bool> dropClient_{false};
    std::atomic<bool> grantHolds_{false};
    std::atomic<bool> stopping_{false};
    std::atomic<int> accepted_{0};
    std::mutex closeMutex_;
    std::condition_variable closed_;
    int idleCloses_ = 0;
    std::mutex boardMutex_;
    std::thread thread_;
};

using TempDir = qorv::testing::TempDir;

}  // namespace qvnhwm::testing
