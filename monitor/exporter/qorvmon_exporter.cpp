// qorvmon-exporter: the board's sensors for Prometheus, over HTTP at /metrics.
#include <prometheus/collectable.h>
#include <prometheus/exposer.h>

#include <csignal>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "board_reader.h"
#include "exporter_options.h"
#include "pass_cache.h"
#include "program_folder.h"

namespace {

// What the web server's scrapes get: the cached pass.
class CachedPass final : public prometheus::Collectable {
public:
    explicit CachedPass(qorv::PassCache& cache) : cache_(cache) {}
    std::vector<prometheus::MetricFamily> Collect() const override { return *cache_.current(); }

private:
    qorv::PassCache& cache_;
};

}  // namespace

int main(int argc, char** argv) {
    const qorv::ParsedExporterOptions parsed =
        qorv::parseExporterOptions(std::vector<std::string>(argv + 1, argv + argc));
    if (!parsed.options) {
        std::cerr << "qorvmon-exporter: " << parsed.error << "\n(qorvmon-exporter --help tells more)\n";
        return 2;
    }
    const qorv::ExporterOptions& options = *parsed.options;
    if (options.help) {
        std::cout << qorv::exporterUsage();
        return 0;
    }
    if (options.version) {
        std::cout << "qorvmon-exporter " QORV_VERSION "\n";
        return 0;
    }

    // The signals are waited for below; blocked before any thread starts, so every thread
    // inherits the mask and none of them takes a signal meant for the main thread.
    sigset_t stop;
    sigemptyset(&stop);
    sigaddset(&stop, SIGTERM);
    sigaddset(&stop, SIGINT);
    sigaddset(&stop, SIGHUP);  // read the settings file's thresholds again
    pthread_sigmask(SIG_BLOCK, &stop, nullptr);

    auto complain = [](const std::string& m) { std::cerr << "qorvmon-exporter: " << m << std::endl; };
    qorv::BoardReader reader(options, qorv::runningProgramFolder(), complain);
    qorv::PassCache cache(std::chrono::seconds(options.interval), reader);
    if (const std::string problem = cache.start(); !problem.empty()) {
        complain(problem);
        return 2;
    }

    std::unique_ptr<prometheus::Exposer> exposer;
    try {
        exposer = std::make_unique<prometheus::Exposer>(options.listen, 2);
    } catch (const std::exception& e) {
        complain("cannot serve " + options.listen + ": " + e.what());
        return 1;
    }
    const auto collectable = std::make_shared<CachedPass>(cache);
    exposer->RegisterCollectable(collectable);
    const std::vector<int> ports = exposer->GetListeningPorts();
    std::cerr << "qorvmon-exporter: board " << reader.board() << " at http://"
              << options.listen.substr(0, options.listen.rfind(':')) << ":" << (ports.empty() ? 0 : ports.front())
              << "/metrics" << std::endl;

    int signal = 0;
    while (sigwait(&stop, &signal) == 0 && signal == SIGHUP) reader.reloadSettings();
    // The web server first, so that no scrape waits on a reading thread that has gone.
    exposer.reset();
    return 0;
}
