// A stand-in for the driver service: serves the frame protocol on a Unix socket from a
// FakeBoard, one client connection at a time, in a thread of its own.
#pragma once

#include <atomic>
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
    // Ends the client's connection after the request being served, as a restarting
    // service would.
    void dropClient() { dropClient_ = true; }
    int connectionsAccepted() const { return accepted_; }

    // Guards the board while the server thread may be answering from it.
    std::mutex& boardMutex() { return boardMutex_; }

private:
    void run();
    void serve(int client);

    FakeBoard& board_;
    std::string path_;
    int listener_ = -1;
    int wake_[2] = {-1, -1};
    std::atomic<bool> dropClient_{false};
    std::atomic<int> accepted_{0};
    std::mutex boardMutex_;
    std::thread thread_;
};

using TempDir = qorv::testing::TempDir;

}  // namespace qvnhwm::testing
