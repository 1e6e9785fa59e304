// The seam between the driver channel and whatever carries its requests: the Windows
// kernel driver, the Linux driver service's socket, or a test's recorder.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <span>

namespace qvnhwm {

// One request of the table with its buffers, as a chain carries it.
struct DriverRequest {
    static constexpr uint32_t kMaxBuffer = 16;  // the host choice's, the largest
    uint32_t code = 0;
    uint32_t inLen = 0;
    uint32_t outLen = 0;
    std::array<uint8_t, kMaxBuffer> in{};
    std::array<uint8_t, kMaxBuffer> out{};
};

class DeviceTransport {
public:
    virtual ~DeviceTransport() = default;

    virtual bool open() = 0;
    // False when the system refuses to close; the handle is then still held.
    virtual bool close() = 0;
    // One synchronous request. On false the output carries nothing meaningful.
    virtual bool control(uint32_t code, const void* in, uint32_t inLen, void* out, uint32_t outLen) = 0;
    // Requests performed in order, each only once the one before it succeeded: false at
    // the first that fails, which and whose followers carry nothing meaningful. A
    // transport that cannot send them together performs them one by one, as here.
    virtual bool controlChain(std::span<DriverRequest> chain) {
        for (DriverRequest& r : chain)
            if (!control(r.code, r.in.data(), r.inLen, r.out.data(), r.outLen)) return false;
        return true;
    }

    // Bracket one operation of the library (an Init, one reading, one fan operation) so
    // that a transport shared by several clients lets no other client's request land
    // inside it. False when the operation cannot start; it then sends nothing. A
    // transport with a single client, such as the kernel driver, has nothing to do.
    virtual bool beginOperation() { return true; }
    virtual void endOperation() {}
};

// The transport of this platform: the kernel driver on Windows, qvnbdrv's socket elsewhere.
std::unique_ptr<DeviceTransport> makePlatformTransport();

}  // namespace qvnhwm
