// What the headless programs cost: bus transactions and time of one of the exporter's
// passes over a board through the real driver service (at once, and with the 0.4 ms wire
// time of an SMBus byte read), the process's CPU per scrape served from the cached pass over
// HTTP, the resident memory of the real qorvmon-exporter after many scrapes, and the real
// qorvmon-alertd's memory and processor time left running.
#include <benchmark/benchmark.h>

#include <curl/curl.h>
#include <fcntl.h>
#include <prometheus/exposer.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <ctime>
#include <fstream>
#include <regex>
#include <sstream>
#include <thread>

#include "board_file.h"
#include "hwm_library.h"
#include "pass_cache.h"
#include "prometheus_series.h"
#include "reading_pass.h"
#include "service_process.h"
#include "socket_transport.h"
#include "temp_dir.h"

extern char** environ;

namespace {

using qorv::testing::ServiceProcess;
using qorv::testing::TempDir;

std::string boardFile(const std::string& name) { return std::string(QORV_BOARDS_DIR) + "/" + name + ".txt"; }

// The service's socket, with every request counted on its way.
class CountingTransport final : public qvnhwm::DeviceTransport {
public:
    explicit CountingTransport(const std::string& socket, std::atomic<long>& count) : socket_(socket), count_(count) {}
    bool open() override { return socket_.open(); }
    bool close() override { return socket_.close(); }
    bool control(uint32_t code, const void* in, uint32_t inLen, void* out, uint32_t outLen) override {
        ++count_;
        return socket_.control(code, in, inLen, out, outLen);
    }
    bool beginOperation() override { return socket_.beginOperation(); }
    void endOperation() override { socket_.endOperation(); }

private:
    qvnhwm::SocketTransport socket_;
    std::atomic<long>& count_;
};

// The library's own code, as the exporter reaches it through the exports.
class LibrarySource final : public qorv::SensorSource {
public:
    explicit LibrarySource(std::unique_ptr<qvnhwm::DeviceTransport> t) : library_(std::move(t)) {}
    int32_t InitDLL(const char* path) override { return library_.InitDLL(path); }
    int32_t ReleaseDLL() override { return library_.ReleaseDLL(); }
    int32_t SetCurrentHwm(const char* id) override { return library_.SetCurrentHwm(id); }
    int32_t GetSensorValue(int32_t a, int32_t b, int32_t c, int32_t d, int32_t e, int32_t f, double* v) override {
        return library_.GetSensorValue(a, b, c, d, e, f, v);
    }
    int32_t SetFanPWM2(int32_t a, int32_t b, int32_t c, int32_t d) override { return library_.SetFanPWM2(a, b, c, d); }
    int32_t GetFanDuty(int32_t a, uint8_t* d) override { return library_.GetFanDuty(a, d); }

private:
    qvnhwm::HwmLibrary library_;
};

// A service for the board, with a delay per transaction when delayMs > 0 and the faults
// of a scenario's lines.
struct Service {
    Service(const std::string& board, double delayMs, const std::string& faults = "") {
        std::vector<std::string> extra;
        if (delayMs > 0 || !faults.empty()) {
            std::ofstream scenario(dir.file("service.scenario"));
            if (delayMs > 0) scenario << "delay-ms " << delayMs << "\n";
            scenario << faults;
            extra = {"--scenario", dir.file("service.scenario")};
        }
        process = std::make_unique<ServiceProcess>(boardFile(board), socket, dir.file("log"), extra);
    }
    TempDir dir;
    std::string socket = dir.file("qvnbdrv.sock");
    std::unique_ptr<ServiceProcess> process;
};

// A bound board: the library over the counting transport, its sensor list read.
struct Board {
    Board(benchmark::State& state, const std::string& board, double delayMs)
        : name(board),
          service(board, delayMs),
          source(std::make_unique<CountingTransport>(service.socket, transactions)) {
        if (!service.process->ready() || !qorv::ReadBoardFile(boardFile(board), table, source).clean())
            state.SkipWithError("no service or board");
        qorv::ApplySensorDefaults(table);
    }
    qorv::Families pass() {
        const auto began = std::chrono::steady_clock::now();
        const qorv::ReadingPass p = qorv::takeReadingPass(name, table, source);
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - began;
        return qorv::prometheusFamilies({p, took.count(), errors.add(p)});
    }
    std::string name;
    Service service;
    std::atomic<long> transactions{0};
    LibrarySource source;
    qorv::SensorTable table;
    qorv::ReadErrorTally errors;
};

// One pass as the reading thread takes it: every sensor read, the series made.
void PassOverTheBus(benchmark::State& state, double delayMs) {
    Board board(state, "M4430", delayMs);
    long before = board.transactions;
    for (auto _ : state) benchmark::DoNotOptimize(board.pass());
    state.counters["transactions_per_pass"] = double(board.transactions - before) / double(state.iterations());
    state.counters["sensors"] = board.table.count;
}
BENCHMARK_CAPTURE(PassOverTheBus, M4430_at_once, 0.0)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(PassOverTheBus, M4430_0_4ms_per_transaction, 0.4)->UseRealTime()->Unit(benchmark::kMillisecond);

size_t discard(char*, size_t size, size_t count, void* bytes) {
    *static_cast<size_t*>(bytes) += size * count;
    return size * count;
}

// One client scraping a URL again and again; the web server keeps no connection open
// between scrapes, so each scrape connects anew, as Prometheus's would.
class Scraper {
public:
    explicit Scraper(const std::string& url) : curl_(curl_easy_init()) {
        curl_easy_setopt(curl_, CURLOPT_URL, url.c_str());
        curl_easy_setopt(curl_, CURLOPT_WRITEFUNCTION, discard);
        curl_easy_setopt(curl_, CURLOPT_WRITEDATA, &bytes_);
        curl_easy_setopt(curl_, CURLOPT_FORBID_REUSE, 1L);
    }
    ~Scraper() { curl_easy_cleanup(curl_); }
    Scraper(const Scraper&) = delete;
    Scraper& operator=(const Scraper&) = delete;

    CURLcode scrape() { return curl_easy_perform(curl_); }
    size_t bytes() const { return bytes_; }

private:
    CURL* curl_;
    size_t bytes_ = 0;
};

double threadCpuSeconds() {
    timespec t{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

double processCpuSeconds() {
    rusage use{};
    ::getrusage(RUSAGE_SELF, &use);
    const auto seconds = [](const timeval& t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
    return seconds(use.ru_utime) + seconds(use.ru_stime);
}

// A scrape the cache answers: the web server, the copy of the pass and its text, over
// HTTP on loopback. The process's CPU counts the server's threads and the client's.
class FixedBoard final : public qorv::BoardWork {
public:
    explicit FixedBoard(qorv::Families f) : families_(std::move(f)) {}
    std::string open() override { return {}; }
    qorv::Families pass() override { return families_; }

private:
    qorv::Families families_;
};

void ScrapeFromTheCache(benchmark::State& state) {
    Board board(state, "M4430", 0);
    FixedBoard fixed(board.pass());
    qorv::PassCache cache(std::chrono::hours(1), fixed);
    cache.start();
    class Served final : public prometheus::Collectable {
    public:
        explicit Served(qorv::PassCache& c) : cache_(c) {}
        std::vector<prometheus::MetricFamily> Collect() const override { return *cache_.current(); }
        qorv::PassCache& cache_;
    };
    prometheus::Exposer exposer("127.0.0.1:0", 2);
    const auto served = std::make_shared<Served>(cache);
    exposer.RegisterCollectable(served);
    const std::string url = "http://127.0.0.1:" + std::to_string(exposer.GetListeningPorts().at(0)) + "/metrics";
    Scraper scraper(url);
    const double cpuBefore = processCpuSeconds();
    const double clientBefore = threadCpuSeconds();
    for (auto _ : state)
        if (const CURLcode r = scraper.scrape(); r != CURLE_OK) state.SkipWithError(curl_easy_strerror(r));
    const double all = processCpuSeconds() - cpuBefore;
    const double client = threadCpuSeconds() - clientBefore;
    // The server's threads: the process but for this thread, which is the client.
    state.counters["server_cpu_us_per_scrape"] = (all - client) * 1e6 / double(state.iterations());
    state.counters["process_cpu_us_per_scrape"] = all * 1e6 / double(state.iterations());
    state.counters["bytes_per_scrape"] = double(scraper.bytes()) / double(state.iterations());
    state.counters["passes"] = double(cache.passCount());
}
BENCHMARK(ScrapeFromTheCache)->UseRealTime()->Unit(benchmark::kMicrosecond);

long statusField(pid_t pid, const std::string& field) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind(field + ":", 0) == 0) return std::stol(line.substr(field.size() + 1));
    return -1;
}

// A program of ours started on the service's socket, its standard error into errors.
pid_t startOnService(const Service& service, std::vector<std::string> args, const std::string& errors,
                     const std::vector<std::string>& variables = {}) {
    std::vector<std::string> added = variables;
    added.push_back("QVNBDRV_SOCKET=" + service.socket);
    std::vector<char*> env;
    for (char** e = environ; *e; ++e) env.push_back(*e);
    for (std::string& v : added) env.push_back(v.data());
    env.push_back(nullptr);
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    posix_spawn_file_actions_addopen(&files, 2, errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    pid_t pid = -1;
    if (posix_spawn(&pid, argv[0], &files, nullptr, argv.data(), env.data()) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&files);
    return pid;
}

// Processor time of a child so far, in seconds: user and system clock ticks of /proc/PID/stat.
double processorSeconds(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    std::istringstream fields(text.substr(text.rfind(')') + 2));
    std::string field;
    long user = 0, system = 0;
    for (int i = 3; i <= 15 && fields >> field; ++i) {
        if (i == 14) user = std::stol(field);
        if (i == 15) system = std::stol(field);
    }
    return double(user + system) / double(sysconf(_SC_CLK_TCK));
}

// The real program on the real service after a thousand scrapes, one pass a second.
void ExporterResidentMemory(benchmark::State& state) {
    Service service("M4430", 0);
    const std::string log = service.dir.file("exporter.log");
    const pid_t pid = startOnService(service,
                                     {QORVMON_EXPORTER, "--board", "M4430", "--settings", service.dir.file("QHwmset"),
                                      "--listen", "127.0.0.1:0", "--interval", "1"},
                                     log);
    if (pid < 0) {
        state.SkipWithError("cannot start qorvmon-exporter");
        return;
    }
    std::string url;
    for (int i = 0; i < 100 && url.empty(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        std::stringstream text;
        text << std::ifstream(log).rdbuf();
        std::smatch m;
        const std::string s = text.str();
        if (std::regex_search(s, m, std::regex("at (http://127\\.0\\.0\\.1:[0-9]+/metrics)"))) url = m[1];
    }
    Scraper scraper(url);
    for (auto _ : state)
        for (int i = 0; i < 1000 && !url.empty(); ++i) scraper.scrape();
    state.counters["rss_kib"] = double(statusField(pid, "VmRSS"));
    state.counters["peak_rss_kib"] = double(statusField(pid, "VmHWM"));
    ::kill(pid, SIGTERM);
    ::waitpid(pid, nullptr, 0);
    if (url.empty()) state.SkipWithError("qorvmon-exporter did not serve");
}
BENCHMARK(ExporterResidentMemory)->Iterations(1)->UseRealTime()->Unit(benchmark::kMillisecond);

// The real alert service left running, a pass every second (fifteen times its default
// pace), every 50th request failing: resident memory after its first 10 passes and after
// the whole run, and processor time per pass in between. Its daily log goes to a folder
// of the run's own.
void AlertServiceLeftRunning(benchmark::State& state) {
    const int seconds = int(state.range(0));
    Service service("M4430", 0, "fail-every 50\n");
    const pid_t pid =
        startOnService(service,
                       {QORVMON_ALERTD, "--board", "M4430", "--settings", service.dir.file("QHwmset"), "--interval",
                        "1", "--log-file", service.dir.file("alertd.journal")},
                       service.dir.file("alertd.stderr"), {"STATE_DIRECTORY=" + service.dir.file("state")});
    if (pid < 0) {
        state.SkipWithError("cannot start qorvmon-alertd");
        return;
    }
    long settled = 0, last = 0;
    double before = 0, after = 0;
    for (auto _ : state) {
        std::this_thread::sleep_for(std::chrono::seconds(10));
        settled = statusField(pid, "VmRSS");
        before = processorSeconds(pid);
        std::this_thread::sleep_for(std::chrono::seconds(seconds));
        last = statusField(pid, "VmRSS");
        after = processorSeconds(pid);
    }
    state.counters["rss_kib_after_10_passes"] = double(settled);
    state.counters["rss_kib_at_end"] = double(last);
    state.counters["peak_rss_kib"] = double(statusField(pid, "VmHWM"));
    state.counters["cpu_ms_per_pass"] = (after - before) * 1000.0 / seconds;
    ::kill(pid, SIGTERM);
    ::waitpid(pid, nullptr, 0);
    if (settled <= 0) state.SkipWithError("qorvmon-alertd ended early");
}
BENCHMARK(AlertServiceLeftRunning)->Arg(120)->Iterations(1)->UseRealTime()->Unit(benchmark::kSecond);

}  // namespace

BENCHMARK_MAIN();
