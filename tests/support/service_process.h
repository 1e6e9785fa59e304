// The real driver service, started for a test on a private socket and stopped with it.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace qorv::testing {

class ServiceProcess {
public:
    // Starts qvnbdrv --simulate --board board --socket socket [extra...] and waits until
    // it answers. Its log goes to logPath.
    ServiceProcess(const std::string& board, const std::string& socket, const std::string& logPath,
                   std::vector<std::string> extra = {});
    ~ServiceProcess();
    ServiceProcess(const ServiceProcess&) = delete;
    ServiceProcess& operator=(const ServiceProcess&) = delete;

    bool ready() const { return ready_; }
    // The service's exit status after stop(), or -1.
    int stop();
    std::string log() const;

private:
    pid_t pid_ = -1;
    std::string logPath_;
    bool ready_ = false;
    int status_ = -1;
};

// Runs the service to its end (for options and board files it refuses) and gives its
// exit status and log.
int runServiceToEnd(const std::vector<std::string>& arguments, std::string& log);

}  // namespace qorv::testing
