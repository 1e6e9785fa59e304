// A board for the library's tests: register files answered from maps, every driver
// request kept in order, and failures injected by request number.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "device_transport.h"

namespace qvnhwm::testing {

enum class Space { Smbus, Indexed, Port };

struct Request {
    uint32_t code;
    std::vector<uint8_t> input;
    uint32_t outLen;
};

class FakeBoard {
public:
    // A register's value; reads of it return the value until it is written.
    void set(Space space, uint32_t address, uint8_t reg, uint8_t value);
    // A register that answers successive reads with these values, then keeps the last.
    void script(Space space, uint32_t address, uint8_t reg, std::vector<uint8_t> values);
    uint8_t get(Space space, uint32_t address, uint8_t reg) const;

    void setSmbus(uint8_t slave, uint8_t reg, uint8_t v) { set(Space::Smbus, slave, reg, v); }
    void setIndexed(uint32_t port, uint8_t reg, uint8_t v) { set(Space::Indexed, port, reg, v); }
    void setPort(uint32_t port, uint8_t v) { set(Space::Port, port, 0, v); }

    // Request number n (1-based, counted from the last clear) and, with failFrom, every
    // later one answer with failure.
    void failFrom(size_t n) { failFrom_ = n; }
    void failOnly(size_t n) { failOnly_ = n; }
    void failNone() {
        failFrom_.reset();
        failOnly_.reset();
    }

    // Decodes and answers one request the way the driver would.
    bool handle(uint32_t code, const void* in, uint32_t inLen, void* out, uint32_t outLen);

    const std::vector<Request>& requests() const { return requests_; }
    // Readable form of the requests: "SR 5C 4E", "SW 5C 4E 80", "IR 295 4E", "IW 295 4E 80",
    // "PR 50F", "PW 50F 18", "HK 1", "HV 0", "OB" and "OE" for the begin and end of an
    // operation's hold, or "?? code" for anything else.
    std::vector<std::string> trace() const;
    void clearRequests() { requests_.clear(); }

    // Set by handle() for every host-choice request.
    std::optional<uint32_t> hostKind;

private:
    using Key = std::tuple<Space, uint32_t, uint8_t>;
    // A write by the chip: a scripted register (a status port) keeps its script.
    void store(Space space, uint32_t address, uint8_t reg, uint8_t value);
    std::optional<uint8_t> readRegister(Space space, uint32_t address, uint8_t reg);

    std::map<Key, uint8_t> values_;
    std::map<Key, std::deque<uint8_t>> scripts_;
    std::vector<Request> requests_;
    std::optional<size_t> failFrom_;
    std::optional<size_t> failOnly_;
};

// The recording fake at the transport seam: every request goes to a FakeBoard.
class RecordingTransport final : public DeviceTransport {
public:
    explicit RecordingTransport(FakeBoard& board) : board_(board) {}

    bool open() override;
    bool close() override;
    bool control(uint32_t code, const void* in, uint32_t inLen, void* out, uint32_t outLen) override;
    bool beginOperation() override;
    void endOperation() override;

    bool openSucceeds = true;
    bool closeSucceeds = true;
    bool beginSucceeds = true;
    int opens = 0;
    int closes = 0;
    int begins = 0;  // operations begun, and ended
    int ends = 0;

private:
    FakeBoard& board_;
};

// One readable trace line per register access, whichever transport carried it: "R 4E",
// "W 4E 80". Lets an SMBus chip and an index-port chip be compared register for register.
std::vector<std::string> registerTraffic(const std::vector<std::string>& trace);

}  // namespace qvnhwm::testing
