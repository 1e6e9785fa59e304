// What a request and a whole board's readings cost through the driver service, with the
// emulated bus answering at once and with the wire time of a real SMBus byte read, and a
// well-behaved client's latency while other clients flood the service.
#include <benchmark/benchmark.h>

#include <sys/socket.h>
#include <sys/time.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <thread>
#include <vector>

#include "board_file.h"
#include "driver_channel.h"
#include "driver_requests.h"
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
BENCHMARK_CAPTURE(EverySensorOfBoard, M4430_at_once, std::string("M4430"), 0.0)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(EverySensorOfBoard, M4430_0_4ms_per_transaction, std::string("M4430"), 0.4)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

// Clients that load the service while a well-behaved one reads: flooders send plain
// requests pipelined in batches and read every answer; idle connections send nothing.
class ServiceLoad {
public:
    ServiceLoad(const std::string& socket, int flooders, int idle) : socket_(socket) {
        for (int i = 0; i < idle; ++i)
            if (const int fd = connectTo(socket_); fd >= 0) idle_.push_back(fd);
        for (int i = 0; i < flooders; ++i) flooders_.emplace_back([this] { flood(); });
    }
    ~ServiceLoad() {
        stop_ = true;
        for (std::thread& t : flooders_) t.join();
        for (int fd : idle_) ::close(fd);
    }
    ServiceLoad(const ServiceLoad&) = delete;
    ServiceLoad& operator=(const ServiceLoad&) = delete;

    size_t idleConnected() const { return idle_.size(); }
    long answered() const { return answered_; }

private:
    static constexpr int kBatch = 64;  // requests in flight per flooder
    static constexpr size_t kFrame = 12 + qvnhwm::request::kSmbusInSize;
    static constexpr size_t kReply = 8 + qvnhwm::request::kByteOutSize;

    static int connectTo(const std::string& path) {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
        timeval timeout{1, 0};  // lets a flooder notice the end of the run
        ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
        if (fd >= 0 && ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) return fd;
        if (fd >= 0) ::close(fd);
        return -1;
    }

    // A batch out, then its answers in; a connection that breaks is made again.
    void flood() {
        namespace rq = qvnhwm::request;
        std::vector<uint8_t> batch(kFrame * kBatch);
        for (int i = 0; i < kBatch; ++i) {
            uint8_t* frame = batch.data() + kFrame * size_t(i);
            rq::putU32(frame, rq::kSmbusReadByte);
            rq::putU32(frame + 4, rq::kSmbusInSize);
            rq::putU32(frame + 8, rq::kByteOutSize);
            frame[12] = 0x5C;  // the board's W83782D, a voltage input
            frame[13] = 0x23;
        }
        std::vector<uint8_t> replies(kReply * kBatch);
        int fd = -1;
        while (!stop_) {
            if (fd < 0 && (fd = connectTo(socket_)) < 0) {
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
                continue;
            }
            bool whole = ::send(fd, batch.data(), batch.size(), MSG_NOSIGNAL) == ssize_t(batch.size());
            for (size_t got = 0; whole && got < replies.size();) {
                const ssize_t n = ::recv(fd, replies.data() + got, replies.size() - got, 0);
                if (n <= 0)
                    whole = n < 0 && errno == EAGAIN && !stop_;  // waited a second: go on waiting
                else
                    got += size_t(n);
            }
            if (!whole) {
                ::close(fd);
                fd = -1;
                continue;
            }
            answered_ += kBatch;
        }
        if (fd >= 0) ::close(fd);
    }

    std::string socket_;
    std::vector<int> idle_;
    std::vector<std::thread> flooders_;
    std::atomic<bool> stop_{false};
    std::atomic<long> answered_{0};
};

// Nearest-rank percentile of sorted samples.
double percentile(const std::vector<double>& sorted, double share) {
    if (sorted.empty()) return 0.0;
    const auto rank = size_t(std::ceil(share * double(sorted.size())));
    return sorted[std::clamp<size_t>(rank, 1, sorted.size()) - 1];
}

// A well-behaved client's latency of one whole reading of M4430 (every sensor, each one
// operation) while flooders and idle connections load the service: p50, p99 and the worst
// over the iterations, in milliseconds.
void WholeBoardLatencyUnderLoad(benchmark::State& state) {
    BoundBoard bound(state, "M4430", 0.0);
    if (!bound.ready) return;
    qorv::SensorTable& table = bound.table;
    qorv::HwmBinding& library = bound.library;
    ServiceLoad load(bound.service.socket, int(state.range(0)), int(state.range(1)));
    std::vector<double> latencies;
    int failed = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < table.count; ++i)
            if (!qorv::ReadSensor(table, i, library).ok) ++failed;
        latencies.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(latencies.begin(), latencies.end());
    state.counters["p50_ms"] = percentile(latencies, 0.50);
    state.counters["p99_ms"] = percentile(latencies, 0.99);
    state.counters["max_ms"] = latencies.empty() ? 0.0 : latencies.back();
    state.counters["failed_readings"] = failed;
    state.counters["idle_connected"] = double(load.idleConnected());
    state.counters["flood_answers"] = double(load.answered());
}
// Args: flooding clients, idle connections. A fixed number of whole readings each, so the
// percentiles rest on the same count whatever the load.
BENCHMARK(WholeBoardLatencyUnderLoad)->Args({0, 0})->Iterations(300)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(WholeBoardLatencyUnderLoad)->Args({1, 0})->Iterations(300)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(WholeBoardLatencyUnderLoad)->Args({32, 200})->Iterations(100)->UseRealTime()->Unit(benchmark::kMillisecond);

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
        qorv::FillReadingGrid(qorv::kVoltageGroup, table, library, groups, grid, grid,
                              [&](int, double) { ++evaluated; });
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
