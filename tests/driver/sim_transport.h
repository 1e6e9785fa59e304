// Carries the library's driver requests straight to a Bus in this process, decoded the way
// the service decodes them, so the library's own chip code can drive a simulated board
// without a socket in between.
#pragma once

#include <chrono>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "board_description.h"
#include "bus.h"
#include "chips/monitor_chip.h"
#include "device_transport.h"
#include "driver_channel.h"
#include "driver_requests.h"
#include "sim/simulated_board.h"

namespace qvnbdrv::testing {

class BusTransport final : public qvnhwm::DeviceTransport {
public:
    explicit BusTransport(Bus& bus) : bus_(bus) {}

    bool open() override { return true; }
    bool close() override { return true; }

    bool control(uint32_t code, const void* inRaw, uint32_t inLen, void* outRaw, uint32_t outLen) override {
        namespace rq = qvnhwm::request;
        const rq::Shape* shape = rq::shapeOf(code);
        if (!shape || shape->inLen != inLen || shape->outLen != outLen) return false;
        const auto* in = static_cast<const uint8_t*>(inRaw);
        auto* out = static_cast<uint8_t*>(outRaw);
        std::memset(out, 0, outLen);
        switch (code) {
            case rq::kChooseHostKind: return bus_.chooseHost(rq::getU32(in));
            case rq::kChooseHostValue: return bus_.setHostValue(rq::getU32(in));
            case rq::kSmbusReadByte: return bus_.smbusRead(in[0], in[1], out[0]);
            case rq::kSmbusWriteByte: return bus_.smbusWrite(in[0], in[1], in[2]);
            case rq::kReadIndexed: return bus_.readIndexed(rq::getU32(in + 4), in[0], out[0]);
            case rq::kWriteIndexed: return bus_.writeIndexed(rq::getU32(in + 4), in[0], in[1]);
            case rq::kReadPort: return bus_.readPort(rq::getU32(in), out[0]);
            case rq::kWritePort: return bus_.writePort(rq::getU32(in), in[4]);
        }
        return false;
    }

private:
    Bus& bus_;
};

inline ChipDescription chipOf(ChipKind kind, std::string id, uint32_t address, bool behindBoardSwitch = false) {
    return {kind, std::move(id), address, behindBoardSwitch};
}

// A board of the given chips on an ICH2 (host family 1).
inline BoardDescription boardOf(std::vector<ChipDescription> chips) {
    BoardDescription b;
    b.path = "test-board.txt";
    b.model = "M0000";
    b.southbridge = "ICH2";
    b.hostFamily = 1;
    b.chips = std::move(chips);
    return b;
}

// A simulated board whose clock only moves when the test says so, reached by the library
// through an open driver channel.
class SimBench {
public:
    explicit SimBench(
        const BoardDescription& description, sim::Scenario scenario = {},
        sim::Sleeper sleeper = [](std::chrono::duration<double, std::milli>) {})
        : board(
              description, std::move(scenario), [this] { return now; }, std::move(sleeper)),
          channel(std::make_unique<BusTransport>(board)) {
        channel.Open();
    }

    void advance(double seconds) {
        now += std::chrono::duration_cast<std::chrono::steady_clock::duration>(std::chrono::duration<double>(seconds));
    }

    std::chrono::steady_clock::time_point now{};
    sim::SimulatedBoard board;
    qvnhwm::DriverChannel channel;
};

// A chip's reading with multiplier 1 and no offset or scaling: the raw value the chip
// derives. NaN when the chip reports failure.
inline double reading(qvnhwm::MonitorChip& chip, int bank, int code) {
    double value = -1.0;
    if (!chip.GetSensorValue(bank, code, 1, 0, 0, 0, value)) return std::numeric_limits<double>::quiet_NaN();
    return value;
}

}  // namespace qvnbdrv::testing
