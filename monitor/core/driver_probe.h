// Why the driver service cannot be reached, told the way a user can act on it: connects to
// the socket the hardware library uses, as the library would, and asks the service for
// nothing but an answer.
#pragma once

#include <string>

namespace qorv {

enum class DriverReach {
    kAnswers,           // the service answered on its socket
    kNoSocket,          // nothing at the path: the service is not running
    kNotASocket,        // something else lies at the path
    kPermissionDenied,  // the socket or its folder is not this user's to open
    kNotListening,      // a socket no service listens on (left by one that stopped)
    kClosed,            // the service accepted and closed at once (it refused the connection)
    kNoAnswer,          // the service accepted but did not answer in time
    kFailed,            // any other failure of the system calls
};

struct DriverProbe {
    DriverReach reach = DriverReach::kFailed;
    std::string path;
    std::string problem;  // what is wrong and what to do, one or more lines; empty when it answers
};

// The socket the hardware library connects to: QVNBDRV_SOCKET, else the service's own.
std::string driverSocketPath();

DriverProbe probeDriver(const std::string& socketPath = driverSocketPath());

}  // namespace qorv
