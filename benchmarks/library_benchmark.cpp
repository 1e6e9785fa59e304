// What one reading costs: the library's own work through the exports with a transport
// that answers at once, and one driver request over the Unix socket to a local server.
#include <benchmark/benchmark.h>

#include <cstring>
#include <fstream>

#include "driver_channel.h"
#include "frame_server.h"
#include "hwm_library.h"
#include "qvnhwm/qvnhwm.h"
#include "socket_transport.h"

namespace {

using namespace qvnhwm;

// Answers every request with success and a fixed byte.
class InstantTransport final : public DeviceTransport {
public:
    bool open() override { return true; }
    bool close() override { return true; }
    bool control(uint32_t, const void*, uint32_t, void* out, uint32_t outLen) override {
        std::memset(out, 0, outLen);
        static_cast<uint8_t*>(out)[0] = 0xC8;
        return true;
    }
};

void WinbondVoltageThroughExports(benchmark::State& state) {
    testing::TempDir dir;
    const std::string path = dir.file("board.txt");
    std::ofstream(path) << "<QVN>\n<MB>\n<SB>ICH2\n<HWM>\n<ID>HWM1\n<MODEL>W83782D\n</HWM>\n</MB>\n";
    theLibrary().channel().useTransport(std::make_unique<InstantTransport>());
    if (InitDLL(path.c_str()) != 1 || SetCurrentHwm("HWM1") != 1) {
        state.SkipWithError("library did not start");
        return;
    }
    double value = 0;
    for (auto _ : state) {
        GetSensorValue(0, 0x23, 16, 0, 13, 0, &value);
        benchmark::DoNotOptimize(value);
    }
    ReleaseDLL();
}
BENCHMARK(WinbondVoltageThroughExports);

void OneRequestOverTheSocket(benchmark::State& state) {
    testing::TempDir dir;
    testing::FakeBoard board;
    board.setSmbus(0x5C, 0x23, 200);
    testing::FrameServer server(board, dir.file("qvnbdrv.sock"));
    DriverChannel channel(std::make_unique<SocketTransport>(server.path()));
    if (!channel.Open()) {
        state.SkipWithError("no connection");
        return;
    }
    uint8_t data = 0;
    for (auto _ : state) {
        // The stand-in keeps every request; keep its memory flat.
        if (board.requests().size() > 100000) {
            std::lock_guard lock(server.boardMutex());
            board.clearRequests();
        }
        channel.SmbusReadByte(0x5C, 0x23, data);
        benchmark::DoNotOptimize(data);
    }
}
BENCHMARK(OneRequestOverTheSocket);

}  // namespace

BENCHMARK_MAIN();
