// The library's one handle to the driver. Each operation is one driver request with the
// request table's exact buffers; reads hand back their byte only on success.
#pragma once

#include <cstdint>
#include <memory>
#include <span>

#include "device_transport.h"
#include "smbus_host.h"

namespace qvnhwm {

class DriverChannel {
public:
    explicit DriverChannel(std::unique_ptr<DeviceTransport> transport);
    ~DriverChannel();
    DriverChannel(const DriverChannel&) = delete;
    DriverChannel& operator=(const DriverChannel&) = delete;

    // Closes whatever is open and carries later requests over another transport.
    void useTransport(std::unique_ptr<DeviceTransport> transport);

    bool Open();
    bool Close();
    bool IsOpen() const { return open_; }

    // One operation of the library (an Init, one reading, one fan operation), bracketed
    // on the transport for as long as the guard lives. A guard that is false could not
    // begin: the operation fails and sends nothing.
    class Operation {
    public:
        explicit Operation(DriverChannel& channel);
        ~Operation();
        Operation(const Operation&) = delete;
        Operation& operator=(const Operation&) = delete;
        explicit operator bool() const { return begun_; }

    private:
        DriverChannel& channel_;
        bool begun_;
    };

    bool ChooseSmbusHost(int32_t kind, int32_t value);
    bool SmbusReadByte(uint8_t slaveAddress, uint8_t command, uint8_t& data);
    bool SmbusWriteByte(uint8_t slaveAddress, uint8_t command, uint8_t data);
    bool ReadIndexed(uint32_t indexPort, uint8_t index, uint8_t& data);
    bool WriteIndexed(uint32_t indexPort, uint8_t index, uint8_t data);
    bool ReadPort(uint32_t port, uint8_t mask, uint8_t& data);
    bool WritePort(uint32_t port, uint8_t value, uint8_t mask);

    // The requests of the calls above, for a chain: performed in order, each only once
    // the one before it succeeded, and false at the first that fails. A read's byte is
    // byte 0 of its output.
    static DriverRequest smbusRead(uint8_t slaveAddress, uint8_t command);
    static DriverRequest smbusWrite(uint8_t slaveAddress, uint8_t command, uint8_t data);
    static DriverRequest readIndexed(uint32_t indexPort, uint8_t index);
    static DriverRequest writeIndexed(uint32_t indexPort, uint8_t index, uint8_t data);
    bool Chain(std::span<DriverRequest> requests);

private:
    bool send(DriverRequest& request);

    std::unique_ptr<DeviceTransport> transport_;
    bool open_ = false;
};

}  // namespace qvnhwm
