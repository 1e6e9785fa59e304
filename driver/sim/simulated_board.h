// A whole board in software, behind the same Bus as the real hardware: every chip of the
// board's hardware description emulated at its address, every request a bus transaction
// that the scenario may slow down or fail.
//
// SMBus devices answer at their 7-bit address (the request's 8-bit address shifted right by
// one); an address nobody answers fails, as an unacknowledged transaction does. A port no
// device decodes reads 0xFF and swallows writes, as on an ISA bus: such accesses succeed.
// On a board whose processor sensor names board 4730, port 0x50F (power-on 0x18) routes
// the processor SMBus: those sensors answer only while its bit 4 is set and bit 3 clear.
// SMBus transactions also need the board's own host family to be the one chosen.
//
// Requests may come from several client threads; each is one atomic transaction.
#pragma once

#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "board_description.h"
#include "bus.h"
#include "devices.h"
#include "scenario.h"
#include "sim_clock.h"

namespace qvnbdrv::sim {

class SimulatedBoard final : public Bus {
public:
    // Throws ScenarioError when the scenario names a chip the board lacks, a fan on a chip
    // without fans or a sensor the chip does not have; BoardFileError when two chips share
    // an SMBus address or a port.
    SimulatedBoard(const BoardDescription& board, Scenario scenario = {}, Clock clock = steadyClock(),
                   Sleeper sleeper = realSleeper());
    ~SimulatedBoard() override;
    SimulatedBoard(const SimulatedBoard&) = delete;
    SimulatedBoard& operator=(const SimulatedBoard&) = delete;

    bool chooseHost(uint32_t family) override;
    bool setHostValue(uint32_t value) override;
    bool smbusRead(uint8_t address, uint8_t command, uint8_t& data) override;
    bool smbusWrite(uint8_t address, uint8_t command, uint8_t data) override;
    // One transaction each, although the real pair moves two bytes.
    bool readIndexed(uint32_t indexPort, uint8_t index, uint8_t& data) override;
    bool writeIndexed(uint32_t indexPort, uint8_t index, uint8_t data) override;
    bool readPort(uint32_t port, uint8_t& data) override;
    bool writePort(uint32_t port, uint8_t data) override;

    // Transactions so far, the count fail-every and fail-from go by.
    uint64_t transactions() const;
    // Starts the count again, so traffic the service makes for itself at start-up (learning
    // where a Super-I/O put its ports) does not shift the scenario's failures.
    void resetTransactionCount();

private:
    struct SmbusSlot {
        SmbusDevice* device;
        bool behindRoute;  // a processor sensor reached only through port 0x50F
    };
    class RoutePort;

    void addChip(const BoardDescription& board, size_t index, const Scenario& scenario);
    void addSmbus(const BoardDescription& board, uint8_t address, SmbusSlot slot);
    // ports: those the device decodes at power-on, which no other device may claim.
    void addPorts(const BoardDescription& board, std::unique_ptr<PortDevice> device,
                  const std::vector<uint32_t>& ports);
    // Counts the transaction, waits its wire time and says whether it goes through.
    bool transact();
    double now() const;
    // The slave at a request's 8-bit address that acknowledges now, or nullptr.
    SmbusSlot* slave(uint8_t address8);
    PortDevice* decoder(uint32_t port);
    uint8_t portRead(uint32_t port, double seconds);
    void portWrite(uint32_t port, uint8_t data, double seconds);

    mutable std::mutex mutex_;
    Clock clock_;
    Sleeper sleeper_;
    std::chrono::steady_clock::time_point powerOn_;
    uint64_t failEvery_;
    uint64_t failFrom_;
    double delayMs_;
    uint64_t transactions_ = 0;
    uint32_t boardFamily_;
    uint32_t chosenFamily_;
    RoutePort* route_ = nullptr;

    std::vector<std::unique_ptr<RegisterFile>> registerFiles_;
    std::vector<std::unique_ptr<SmbusDevice>> smbusDevices_;
    std::vector<std::unique_ptr<PortDevice>> portDevices_;
    std::map<uint8_t, SmbusSlot> slaves_;  // by 7-bit address
};

}  // namespace qvnbdrv::sim
