// What a request and a whole board's readings cost through the driver service, with the
// emulated bus answering at once and with the wire time of a real SMBus byte read.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <fstream>

#include "board_file.h"
#include "driver_channel.h"
#include "frame_server.h"
#include "hwm_binding.h"
#include "read_sensor.h"
#include "reading_groups.h"
#include "service_process.h"
#include "socket_transport.h"

namespace {

using qorv::testing::ServiceProcess;
using qvnhwm::testing::TempDir;

std::string boardFile(const std::string& name) { return std::string(QORV_BOARDS_DIR) + "/" + name + ".txt"; }

// A running service for one board, with an optional per-transaction delay.
struct Service {
    Service(const std::string& board, double delayMs) {
        std::vector<std::string> extra;
        if (delayMs > 0) {
            const std::string scenario = dir.file("delay.scenario");
            std::ofstream(scenario) << "delay-ms " << delayMs << "\n";
            extra = {"--scenario", scenario};
        }
        process = std::make_unique<ServiceProcess>(boardFile(board), socket, dir.file("log"), extra);
        ::setenv("QVNBDRV_SOCKET", socket.c_str(), 1);
    }
    TempDir dir;
    std::string socket = dir.file("qvnbdrv.sock");
    std::unique_ptr<ServiceProcess> process;
};

void RequestsOverTheSocket(benchmark::State& state) {
    Service service("M4430", 0);
    qvnhwm::DriverChannel channel(std::make_unique<qvnhwm::SocketTransport>(service.socket));
    if (!service.process->ready() || !channel.Open()) {
        state.SkipWithError("no service");
        return;
    }
    uint8_t data = 0;
    for (auto _ : state) {
        channel.SmbusReadByte(0x5C, 0x23, data);
        benchmark::DoNotOptimize(data);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(RequestsOverTheSocket)->UseRealTime();

// A board's sensor list read and the library bound to the service emulating it.
struct BoundBoard {
    BoundBoard(benchmark::State& state, const std::string& board, double delayMs)
        : service(board, delayMs),
          library([&state](const std::string& m) { state.SkipWithError(m.c_str()); }, QVNHWM_SHARED_LIBRARY) {
        ready = service.process->ready() && qorv::ReadBoardFile(boardFile(board), table, library).clean();
        if (!ready) state.SkipWithError("no service or board");
    }
    Service service;
    qorv::HwmBinding library;
    qorv::SensorTable table;
    bool ready = false;
};

// Every sensor of a board read once, the way a grid refresh reads them.
void EverySensorOfBoard(benchmark::State& state, const std::string& board, double delayMs) {
    BoundBoard bound(state, board, delayMs);
    if (!bound.ready) return;
    qorv::SensorTable& table = bound.table;
    qorv::HwmBinding& library = bound.library;
    for (auto _ : state)
        for (int i = 0; i < table.count; ++i) benchmark::DoNotOptimize(qorv::ReadSensor(table, i, library));
    state.counters["sensors"] = table.count;
}
BENCHMARK_CAPTURE(EverySensorOfBoard, M4430_at_once, std::string("M4430"), 0.0)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(EverySensorOfBoard, M4430_0_4ms_per_transaction, std::string("M4430"), 0.4)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

// One refresh of a grid as the window runs it: every sensor read, the group's rows
// painted (here into nothing) and its readings evaluated against their thresholds.
class NullGrid final : public qorv::ReadingGrid, public qorv::EventPump {
public:
    void setRowCount(int) override {}
    void setRow(int, qorv::Rgb, const std::string&, const std::string&, const std::string&) override {}
    void processEvents() override {}
};

void FillReadingGridOfBoard(benchmark::State& state, const std::string& board, double delayMs) {
    BoundBoard bound(state, board, delayMs);
    if (!bound.ready) return;
    qorv::SensorTable& table = bound.table;
    qorv::HwmBinding& library = bound.library;
    qorv::ApplySensorDefaults(table);
    qorv::ReadingGroups groups;
    groups.LayoutReadingPages(table);
    NullGrid grid;
    int evaluated = 0;
    for (auto _ : state)
        qorv::FillReadingGrid(qorv::kVoltageGroup, table, library, groups, grid, grid, [&](int, double) { ++evaluated; });
    state.counters["sensors"] = table.count;
}
// M4620 and M4420 have the most sensors, 18.
BENCHMARK_CAPTURE(FillReadingGridOfBoard, M4620_at_once, std::string("M4620"), 0.0)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(FillReadingGridOfBoard, M4620_0_4ms_per_transaction, std::string("M4620"), 0.4)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
