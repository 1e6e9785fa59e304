// qvnbdrv: the driver service. Serves the hardware library's requests on a Unix socket,
// for the real hardware or an emulated board, within what the board file permits.
#include <csignal>
#include <iostream>
#include <memory>

#include "access_policy.h"
#include "board_description.h"
#include "hardware/hardware_bus.h"
#include "hardware/system_calls.h"
#include "logger.h"
#include "options.h"
#include "request_decoder.h"
#include "server.h"
#include "sim/scenario.h"
#include "sim/simulated_board.h"

namespace {

qvnbdrv::Server* runningServer = nullptr;

void onSignal(int) {
    if (runningServer) runningServer->stop();
}

}  // namespace

int main(int argc, char** argv) {
    using namespace qvnbdrv;
    using sim::Scenario;
    using sim::SimulatedBoard;

    const ParsedOptions parsed = parseOptions(std::vector<std::string>(argv + 1, argv + argc));
    if (!parsed.options) {
        std::cerr << "qvnbdrv: " << parsed.error << "\n(qvnbdrv --help tells more)\n";
        return 2;
    }
    const Options& options = *parsed.options;
    if (options.help) {
        std::cout << usage();
        return 0;
    }

    Logger log(options.logLevel, std::cerr);
    try {
        const BoardDescription board = BoardDescription::load(options.boardFile);

        PosixSystemCalls calls;
        std::unique_ptr<Bus> bus;
        SimulatedBoard* simulated = nullptr;
        if (options.simulate) {
            Scenario scenario = options.scenarioFile.empty() ? Scenario{} : Scenario::load(options.scenarioFile);
            auto sim = std::make_unique<SimulatedBoard>(board, std::move(scenario));
            simulated = sim.get();
            bus = std::move(sim);
        } else {
            bus = std::make_unique<HardwareBus>(calls, "/sys", "/dev", "/dev/port", options.force,
                                                [&log](LogLevel level, const std::string& m) { log.log(level, m); });
        }
        log.info(std::string(options.simulate ? "emulating" : "serving") + " board " +
                 (board.model.empty() ? options.boardFile : board.model) + " (" + board.southbridge + ", " +
                 std::to_string(board.chips.size()) + " chips)");

        bus->chooseHost(board.hostFamily);
        AccessPolicy policy(board, *bus, log);
        log.info(policy.summary());
        // The service's own start-up traffic must not shift a scenario's numbered failures.
        if (simulated) simulated->resetTransactionCount();

        RequestDecoder decoder(*bus, policy, log);
        Server server(decoder, log);
        server.listen({options.socketPath, options.group, options.groupGiven, options.mode});

        runningServer = &server;
        struct sigaction action {};
        action.sa_handler = onSignal;
        sigemptyset(&action.sa_mask);
        sigaction(SIGINT, &action, nullptr);
        sigaction(SIGTERM, &action, nullptr);
        std::signal(SIGPIPE, SIG_IGN);

        server.run();
        runningServer = nullptr;
        log.info("stopped");
        return 0;
    } catch (const std::exception& e) {
        log.error(e.what());
        return 1;
    }
}
