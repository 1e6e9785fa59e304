// The eight operations a driver request decodes to. The service hands every permitted
// request to one Bus: the real hardware, or the simulated board.
#pragma once

#include <cstdint>

namespace qvnbdrv {

class Bus {
public:
    virtual ~Bus() = default;

    // SMBus host controller family for the SMBus transactions that follow: 0 AMD756/766/768,
    // 1 Intel ICH (I801), 2 ServerWorks OSB4/CSB5 (PIIX4-compatible).
    virtual bool chooseHost(uint32_t family) = 0;
    // The second host-choice word; the library always sends 0 and nothing depends on it.
    virtual bool setHostValue(uint32_t) { return true; }

    // SMBus read-byte-data / write-byte-data. The address is the 8-bit form, read/write bit
    // position clear: the 7-bit address shifted left by one.
    virtual bool smbusRead(uint8_t address, uint8_t command, uint8_t& data) = 0;
    virtual bool smbusWrite(uint8_t address, uint8_t command, uint8_t data) = 0;

    // A register behind an index/data port pair: the index goes to indexPort, the data
    // moves through indexPort + 1.
    virtual bool readIndexed(uint32_t indexPort, uint8_t index, uint8_t& data) {
        return writePort(indexPort, index) && readPort(indexPort + 1, data);
    }
    virtual bool writeIndexed(uint32_t indexPort, uint8_t index, uint8_t data) {
        return writePort(indexPort, index) && writePort(indexPort + 1, data);
    }

    // One byte-wide I/O port access.
    virtual bool readPort(uint32_t port, uint8_t& data) = 0;
    virtual bool writePort(uint32_t port, uint8_t data) = 0;
};

}  // namespace qvnbdrv
