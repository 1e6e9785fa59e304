// Requests to the driver service qvnbdrv over its Unix stream socket, one frame each,
// little-endian:
//   request: u32 control_code | u32 in_len | u32 out_len | in_len bytes of input
//   reply:   u32 ok (1 or 0)  | u32 returned | out_len bytes of output
#pragma once

#include <chrono>
#include <string>

#include "device_transport.h"

namespace qvnhwm {

inline constexpr const char* kDefaultSocketPath = "/run/qvnbdrv/qvnbdrv.sock";
inline constexpr const char* kSocketPathVariable = "QVNBDRV_SOCKET";

class SocketTransport final : public DeviceTransport {
public:
    // An empty path means QVNBDRV_SOCKET, else the service's standard path, looked up at
    // each open so a test or demo can point the library elsewhere.
    explicit SocketTransport(std::string path = {}) : fixedPath_(std::move(path)) {}
    ~SocketTransport() override;

    bool open() override;
    bool close() override;
    bool control(uint32_t code, const void* in, uint32_t inLen, void* out, uint32_t outLen) override;

    // How long one request may wait for the service before it fails; a hung service must
    // not hang the window that called.
    static constexpr std::chrono::seconds kRequestTimeout{5};

private:
    bool connectSocket();
    void drop();

    std::string fixedPath_;
    std::string path_;
    int fd_ = -1;
    bool opened_ = false;
};

}  // namespace qvnhwm
