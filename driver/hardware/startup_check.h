// Whether the hardware bus can serve what a board describes, decided before the socket
// exists: a service that cannot reach any of its chips must fail where systemd shows it,
// not answer every request with a failure while it looks healthy.
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

#include "board_description.h"
#include "hardware/hardware_bus.h"
#include "hardware/port_owners.h"
#include "logger.h"
#include "port_range.h"

namespace qvnbdrv {

// Start-up refused because this machine cannot serve the board as it is set up; starting
// again will not help until the administrator acts.
class StartupRefusal : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The port ranges a board fixes on its own (index/data pairs, the board switch port),
// known before any port is touched. The PC87366 unit blocks are learned later, through
// the ports.
std::vector<PortRange> fixedPortRanges(const BoardDescription& board);

struct StartupVerdict {
    bool serve = false;
    std::vector<std::string> errors;  // each half of the board that cannot be served, and why
};

// Opens what the board needs: the adapter of its SMBus host family when it has SMBus
// chips, the port device when it has port ranges. The service serves when at least one
// half the board needs works (the errors say what will not); when nothing it describes
// can be reached, it does not serve.
StartupVerdict checkHardwareStartup(const BoardDescription& board, const std::vector<PortRange>& ports,
                                    HardwareBus& bus);

// Logs what the port table showed. False when start-up must stop: a kernel driver owns a
// port the board needs, or the table could not be checked, and force is not given.
bool portOwnersAllowStart(const PortOwnerReport& report, bool force, Logger& log);

}  // namespace qvnbdrv
