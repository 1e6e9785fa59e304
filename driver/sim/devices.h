// The two ways a simulated chip is reached: as an SMBus slave, or as I/O ports. Time is
// handed to every access (seconds since the board powered on) so a chip's inputs can move
// without the chip owning a clock.
#pragma once

#include <cstdint>

namespace qvnbdrv::sim {

// A register file addressed by an 8-bit register number.
class RegisterFile {
public:
    virtual ~RegisterFile() = default;
    virtual uint8_t read(uint8_t reg, double seconds) = 0;
    virtual void write(uint8_t reg, uint8_t value, double seconds) = 0;
};

// An SMBus slave. False is a transaction the slave did not acknowledge.
class SmbusDevice {
public:
    virtual ~SmbusDevice() = default;
    virtual bool read(uint8_t command, uint8_t& data, double seconds) = 0;
    virtual bool write(uint8_t command, uint8_t data, double seconds) = 0;
};

// A device that decodes some I/O ports. An ISA-style bus has no acknowledge, so port
// accesses themselves never fail.
class PortDevice {
public:
    virtual ~PortDevice() = default;
    virtual bool claims(uint32_t port) const = 0;
    virtual uint8_t read(uint32_t port, double seconds) = 0;
    virtual void write(uint32_t port, uint8_t data, double seconds) = 0;
};

// A register file that answers every SMBus command: the Winbond monitors decode all 256.
class SmbusRegisterDevice final : public SmbusDevice {
public:
    explicit SmbusRegisterDevice(RegisterFile& registers) : registers_(registers) {}
    bool read(uint8_t command, uint8_t& data, double seconds) override {
        data = registers_.read(command, seconds);
        return true;
    }
    bool write(uint8_t command, uint8_t data, double seconds) override {
        registers_.write(command, data, seconds);
        return true;
    }

private:
    RegisterFile& registers_;
};

// A register file behind an index/data port pair: the index port latches a register
// number (and reads it back), the port after it moves the data.
class IndexDataPorts final : public PortDevice {
public:
    IndexDataPorts(RegisterFile& registers, uint32_t indexPort) : registers_(registers), indexPort_(indexPort) {}

    bool claims(uint32_t port) const override { return port == indexPort_ || port == indexPort_ + 1; }
    uint8_t read(uint32_t port, double seconds) override {
        return port == indexPort_ ? index_ : registers_.read(index_, seconds);
    }
    void write(uint32_t port, uint8_t data, double seconds) override {
        if (port == indexPort_)
            index_ = data;
        else
            registers_.write(index_, data, seconds);
    }

private:
    RegisterFile& registers_;
    uint32_t indexPort_;
    uint8_t index_ = 0;
};

}  // namespace qvnbdrv::sim
