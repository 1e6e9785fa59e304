// A Bus for the service's own tests: answers from a map of registers and keeps a line per
// operation, so a test sees exactly what reached the bus.
#pragma once

#include <cstdio>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "bus.h"

namespace qvnbdrv::testing {

class RecordingBus final : public Bus {
public:
    bool chooseHost(uint32_t family) override {
        log("host " + std::to_string(family));
        return true;
    }
    bool smbusRead(uint8_t address, uint8_t command, uint8_t& data) override {
        log(format("smbus-read %02X %02X", address, command));
        data = smbus[{address, command}];
        return ok;
    }
    bool smbusWrite(uint8_t address, uint8_t command, uint8_t data) override {
        log(format("smbus-write %02X %02X %02X", address, command, data));
        smbus[{address, command}] = data;
        return ok;
    }
    bool readPort(uint32_t port, uint8_t& data) override {
        // A Super-I/O behind an index/data pair: the data port reads the selected register.
        if (indexed.count(port - 1))
            data = superio[{port - 1, selected[port - 1]}][index[port - 1]];
        else
            data = ports[port];
        log(format("port-read %X", port));
        return ok;
    }
    bool writePort(uint32_t port, uint8_t data) override {
        log(format("port-write %X %02X", port, data));
        if (indexed.count(port)) {
            index[port] = data;
        } else if (indexed.count(port - 1)) {
            if (index[port - 1] == 0x07)
                selected[port - 1] = data;
            else
                superio[{port - 1, selected[port - 1]}][index[port - 1]] = data;
        } else {
            ports[port] = data;
        }
        return ok;
    }

    // Makes port an index port whose registers are banked by register 0x07.
    void superioAt(uint32_t port) { indexed[port] = true; }
    void superioRegister(uint32_t port, uint8_t device, uint8_t reg, uint8_t value) {
        superio[{port, device}][reg] = value;
    }

    bool ok = true;
    std::vector<std::string> operations;
    std::map<std::pair<uint8_t, uint8_t>, uint8_t> smbus;
    std::map<uint32_t, uint8_t> ports;

private:
    template <typename... A>
    static std::string format(const char* f, A... a) {
        char buf[64];
        std::snprintf(buf, sizeof buf, f, a...);
        return buf;
    }
    void log(std::string line) { operations.push_back(std::move(line)); }

    std::map<uint32_t, bool> indexed;
    std::map<uint32_t, uint8_t> index;
    std::map<uint32_t, uint8_t> selected;
    std::map<std::pair<uint32_t, uint8_t>, std::map<uint8_t, uint8_t>> superio;
};

}  // namespace qvnbdrv::testing
