// One chip register read or written, wherever the chip sits: on the SMBus at a slave
// address, or behind an index/data port pair.
#pragma once

#include <cstdint>

namespace qvnhwm {

class DriverChannel;

class RegisterAccess {
public:
    virtual ~RegisterAccess() = default;
    virtual bool read(uint8_t reg, uint8_t& value) = 0;
    virtual bool write(uint8_t reg, uint8_t value) = 0;
};

// Registers are SMBus command bytes of the device at an 8-bit slave address.
class SmbusRegisterAccess final : public RegisterAccess {
public:
    SmbusRegisterAccess(DriverChannel& channel, uint8_t slaveAddress)
        : channel_(channel), slaveAddress_(slaveAddress) {}
    bool read(uint8_t reg, uint8_t& value) override;
    bool write(uint8_t reg, uint8_t value) override;

    uint8_t slaveAddress() const { return slaveAddress_; }
    void setSlaveAddress(uint8_t address) { slaveAddress_ = address; }

private:
    DriverChannel& channel_;
    uint8_t slaveAddress_;
};

// Registers are indices written to the index port; the data port is the next address.
class IndexPortRegisterAccess final : public RegisterAccess {
public:
    IndexPortRegisterAccess(DriverChannel& channel, uint32_t indexPort) : channel_(channel), indexPort_(indexPort) {}
    bool read(uint8_t reg, uint8_t& value) override;
    bool write(uint8_t reg, uint8_t value) override;

    uint32_t indexPort() const { return indexPort_; }
    void setIndexPort(uint32_t port) { indexPort_ = port; }

private:
    DriverChannel& channel_;
    uint32_t indexPort_;
};

}  // namespace qvnhwm
