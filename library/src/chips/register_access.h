// One chip register read or written, wherever the chip sits: on the SMBus at a slave
// address, or behind an index/data port pair.
#pragma once

#include <cstdint>
#include <span>

namespace qvnhwm {

class DriverChannel;
struct DriverRequest;

// One register read or written in a run of them; a read's byte lands in value.
struct RegisterStep {
    bool write = false;
    uint8_t reg = 0;
    uint8_t value = 0;
    static constexpr RegisterStep read(uint8_t reg) { return {false, reg, 0}; }
    static constexpr RegisterStep written(uint8_t reg, uint8_t value) { return {true, reg, value}; }
};

class RegisterAccess {
public:
    virtual ~RegisterAccess() = default;
    virtual bool read(uint8_t reg, uint8_t& value) = 0;
    virtual bool write(uint8_t reg, uint8_t value) = 0;
    // The steps in order, each only once the one before it succeeded, exactly as read()
    // and write() one by one would go until the first that fails; false then. The steps
    // go to the driver together where it can take them so.
    virtual bool run(std::span<RegisterStep> steps);
};

// Registers are SMBus command bytes of the device at an 8-bit slave address.
class SmbusRegisterAccess final : public RegisterAccess {
public:
    SmbusRegisterAccess(DriverChannel& channel, uint8_t slaveAddress)
        : channel_(channel), slaveAddress_(slaveAddress) {}
    bool read(uint8_t reg, uint8_t& value) override;
    bool write(uint8_t reg, uint8_t value) override;
    bool run(std::span<RegisterStep> steps) override;

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
    bool run(std::span<RegisterStep> steps) override;

    uint32_t indexPort() const { return indexPort_; }
    void setIndexPort(uint32_t port) { indexPort_ = port; }

private:
    DriverChannel& channel_;
    uint32_t indexPort_;
};

}  // namespace qvnhwm
