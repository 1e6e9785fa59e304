// qvnbdrv: the driver service. Serves the hardware library's requests on a Unix socket,
// for the real hardware or an emulated board, within what the board file permits.
#include <systemd/sd-daemon.h>

#include <csignal>
#include <iostream>
#include <memory>

#include "access_policy.h"
#include "board_description.h"
#include "hardware/hardware_bus.h"
#include "hardware/port_owners.h"
#include "hardware/startup_check.h"
#include "hardware/system_calls.h"
#include "logger.h"
#include "options.h"
#include "request_decoder.h"
#include "server.h"
#include "sim/scenario.h"
#include "sim/simulated_board.h"

namespace {

constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;
// EX_CONFIG: this machine cannot serve the board as it is set up; the unit does not
// restart on it, since nothing changes until the administrator acts.
constexpr int kExitUnservable = 78;

qvnbdrv::Server* runningServer = nullptr;

void onSignal(int) {
    if (runningServer) runningServer->stop();
}

// SIGINT and SIGTERM stop the server for as long as it exists.
class StopOnSignal {
public:
    explicit StopOnSignal(qvnbdrv::Server& server) {
        runningServer = &server;
        struct sigaction action {};
        action.sa_handler = onSignal;
        sigemptyset(&action.sa_mask);
        sigaction(SIGINT, &action, nullptr);
        sigaction(SIGTERM, &action, nullptr);
    }
    ~StopOnSignal() { runningServer = nullptr; }
    StopOnSignal(const StopOnSignal&) = delete;
    StopOnSignal& operator=(const StopOnSignal&) = delete;
};

// Refuses start-up when a kernel driver owns one of ranges (unless --force).
void checkPortOwners(const std::string& table, const std::vector<qvnbdrv::PortRange>& ranges, bool force,
                     qvnbdrv::Logger& log) {
    if (!qvnbdrv::portOwnersAllowStart(qvnbdrv::checkPortOwners(table, ranges), force, log))
        throw qvnbdrv::StartupRefusal("not starting beside a kernel driver that uses the board's chips");
}

}  // namespace

int main(int argc, char** argv) {
    using namespace qvnbdrv;
    using sim::Scenario;
    using sim::SimulatedBoard;

    const ParsedOptions parsed = parseOptions(std::vector<std::string>(argv + 1, argv + argc));
    if (!parsed.options) {
        std::cerr << "qvnbdrv: " << parsed.error << "\n(qvnbdrv --help tells more)\n";
        return kExitUsage;
    }
    const Options& options = *parsed.options;
    if (options.help) {
        std::cout << usage();
        return 0;
    }
    if (options.version) {
        std::cout << "qvnbdrv " QORV_VERSION "\n";
        return 0;
    }

    Logger log(options.logLevel, std::cerr);
    try {
        const BoardDescription board = BoardDescription::load(options.boardFile);
        const std::string boardName = board.model.empty() ? options.boardFile : board.model;

        PosixSystemCalls calls;
        std::unique_ptr<Bus> bus;
        SimulatedBoard* simulated = nullptr;
        std::vector<PortRange> fixedPorts;
        log.info(std::string(options.simulate ? "emulating" : "serving") + " board " + boardName + " (" +
                 board.southbridge + ", " + std::to_string(board.chips.size()) + " chips)");
        if (options.simulate) {
            Scenario scenario = options.scenarioFile.empty() ? Scenario{} : Scenario::load(options.scenarioFile);
            auto sim = std::make_unique<SimulatedBoard>(board, std::move(scenario));
            simulated = sim.get();
            bus = std::move(sim);
            bus->chooseHost(board.hostFamily);
        } else {
            // The kernel's drivers are checked before the service touches a port itself.
            fixedPorts = fixedPortRanges(board);
            checkPortOwners(options.ioportsFile, fixedPorts, options.force, log);
            auto hardware =
                std::make_unique<HardwareBus>(calls, "/sys", "/dev", "/dev/port", options.force,
                                              [&log](LogLevel level, const std::string& m) { log.log(level, m); });
            const StartupVerdict verdict = checkHardwareStartup(board, fixedPorts, *hardware);
            for (const std::string& error : verdict.errors) log.error(error);
            if (!verdict.serve)
                throw StartupRefusal("nothing board " + boardName + " describes can be served on this machine");
            bus = std::move(hardware);
        }

        AccessPolicy policy(board, *bus, log);
        log.info(policy.summary());
        if (!options.simulate) {
            // The unit blocks the PC87366 reported are checked before any client reaches them.
            std::vector<PortRange> learned;
            for (const PortRange& range : policy.portRanges()) {
                bool fixed = false;
                for (const PortRange& f : fixedPorts)
                    fixed = fixed || (f.first == range.first && f.count == range.count);
                if (!fixed) learned.push_back(range);
            }
            checkPortOwners(options.ioportsFile, learned, options.force, log);
        }
        // The service's own start-up traffic must not shift a scenario's numbered failures.
        if (simulated) simulated->resetTransactionCount();

        RequestDecoder decoder(*bus, policy, log);
        Server server(decoder, log);
        // Before the service says it is ready, so a stop that follows at once ends it cleanly.
        const StopOnSignal stopOnSignal(server);
        std::signal(SIGPIPE, SIG_IGN);

        server.listen({options.socketPath, options.group, options.groupGiven, options.mode});
        // listen() returns once the socket accepts under its name: clients may come now.
        sd_notify(0, ("READY=1\nSTATUS=serving board " + boardName).c_str());

        server.run();
        sd_notify(0, "STOPPING=1");
        log.info("stopped");
        return 0;
    } catch (const StartupRefusal& e) {
        log.error(std::string(e.what()) + "; qvnbdrv stops");
        return kExitUnservable;
    } catch (const std::exception& e) {
        log.error(e.what());
        return kExitFailure;
    }
}
