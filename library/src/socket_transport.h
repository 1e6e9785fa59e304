// Requests to the driver service qvnbdrv over its Unix stream socket, one frame each,
// little-endian:
//   request: u32 control_code | u32 in_len | u32 out_len | in_len bytes of input
//   reply:   u32 ok (1 or 0)  | u32 returned | out_len bytes of output
#pragma once

#include <chrono>
#include <span>
#include <string>

#include "device_transport.h"
#include "service_socket.h"

namespace qvnhwm {

class SocketTransport final : public DeviceTransport {
public:
    // An empty path means QVNBDRV_SOCKET, else the service's standard path, looked up at
    // each open so a test or demo can point the library elsewhere.
    explicit SocketTransport(std::string path = {}) : fixedPath_(std::move(path)) {}
    ~SocketTransport() override;

    bool open() override;
    bool close() override;
    bool control(uint32_t code, const void* in, uint32_t inLen, void* out, uint32_t outLen) override;
    // The requests of a chain go out in one write behind the chain's count, and their
    // answers come in with one receive; the service performs none after the first that
    // fails. On a server that does not know chains they go one by one.
    bool controlChain(std::span<DriverRequest> chain) override;
    bool beginOperation() override;
    void endOperation() override;

    // How long one request may wait for the service before it fails; a hung service must
    // not hang the window that called. A Begin waiting for its hold is bound by it too.
    static constexpr std::chrono::seconds kRequestTimeout{5};

private:
    bool connectSocket();
    // A live connection for the next frame: one the service closed while idle is
    // replaced, and at most one connect is tried. fresh tells that it was just made.
    bool ensureConnected(bool& fresh);
    struct Frame {
        uint32_t code = 0;
        const void* in = nullptr;
        uint32_t inLen = 0;
        void* out = nullptr;
        uint32_t outLen = 0;
        bool ok = false;  // the service's answer
    };
    // The frames out in one write and their replies in. False when the connection broke
    // (it is then dropped); otherwise each frame's ok carries the service's answer.
    bool exchange(std::span<Frame> frames);
    // The connection looked at before a request, as control() and controlChain() need it.
    bool readyForRequest();
    // Takes what has come of the answers owed to Ends sent without waiting, without
    // waiting for the rest; false when the connection has ended.
    bool takeOwedAnswers();
    void drop();

    std::string fixedPath_;
    std::string path_;
    int fd_ = -1;
    bool opened_ = false;
    bool inOperation_ = false;         // between beginOperation and endOperation
    bool held_ = false;                // this connection holds the service for the operation
    bool noHolds_ = false;             // this connection's server answered a Begin with ok 0
    bool beginDue_ = false;            // a Begin goes out with the operation's next request
    size_t owedBytes_ = 0;             // of answers to Ends, not yet read off the connection
    bool checkedInOperation_ = false;  // the connection was found live in this operation
    enum class Chains { Unknown, Known, None };
    Chains chains_ = Chains::Unknown;  // whether this connection's server knows chains
};

}  // namespace qvnhwm
