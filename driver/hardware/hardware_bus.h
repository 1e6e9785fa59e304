// The real hardware behind the service: SMBus byte-data transfers through i2c-dev and
// byte-wide I/O ports through /dev/port. Every system call goes through a SystemCalls, and
// the sysfs root and device paths are arguments, so tests run the bus on a fake sysfs tree
// with fake chips.
//
// A failure is a false result and a log line, never an exception: a missing adapter, a
// chip a kernel driver holds, a service without the right to do port I/O. Each kind of
// failure is logged once, so a monitor polling every second does not flood the journal.
//
// Not synchronised: the service hands it one request at a time.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <set>
#include <string>

#include "bus.h"
#include "logger.h"
#include "hardware/i2c_adapters.h"
#include "hardware/system_calls.h"

namespace qvnbdrv {

// Where the bus reports: the service wires it to its Logger. The bus limits each kind of
// failure to one line itself.
using HardwareLog = std::function<void(LogLevel, const std::string&)>;

class HardwareBus final : public Bus {
public:
    // sysfsRoot holds bus/i2c/devices and kernel/security/lockdown; deviceDirectory holds
    // the i2c-N nodes. force lets the bus use a slave address a kernel driver has claimed.
    HardwareBus(SystemCalls& calls, std::filesystem::path sysfsRoot = "/sys",
                std::filesystem::path deviceDirectory = "/dev", std::string portDevice = "/dev/port",
                bool force = false, HardwareLog log = {});
    ~HardwareBus() override;

    HardwareBus(const HardwareBus&) = delete;
    HardwareBus& operator=(const HardwareBus&) = delete;

    bool chooseHost(uint32_t family) override;
    bool smbusRead(uint8_t address, uint8_t command, uint8_t& data) override;
    bool smbusWrite(uint8_t address, uint8_t command, uint8_t data) override;
    bool readPort(uint32_t port, uint8_t& data) override;
    bool writePort(uint32_t port, uint8_t data) override;

    // Opens the port device now rather than at the first port request, so start-up can
    // tell whether port chips can be served at all.
    bool openPorts() { return openPortDevice(); }

    // The adapter the SMBus requests go to, once one is open.
    const std::optional<I2cAdapter>& adapter() const { return adapter_; }

    // Why the last host choice or port-device open failed, as the log said it.
    const std::string& lastFailure() const { return lastFailure_; }

private:
    bool smbusTransfer(uint8_t address, uint8_t command, bool read, uint8_t& data);
    bool selectSlave(uint8_t address);
    bool portTransfer(uint32_t port, bool read, uint8_t& data);
    bool openPortDevice();
    void closeAdapter();
    std::string adapterText() const;
    std::string portDeniedText(int error) const;
    std::optional<std::string> lockdownMode() const;
    void logOnce(const std::string& kind, LogLevel level, const std::string& message);

    SystemCalls& calls_;
    std::filesystem::path sysfsRoot_;
    std::filesystem::path deviceDirectory_;
    std::string portDevice_;
    bool force_;
    HardwareLog log_;
    I2cAdapters adapters_;

    bool hostChosen_ = false;         // a family was asked for, whatever came of it
    std::optional<uint32_t> family_;  // the family whose adapter is open
    std::optional<I2cAdapter> adapter_;
    int i2cFd_ = -1;
    int slave_ = -1;  // 7-bit address set on i2cFd_, -1 when none
    int portFd_ = -1;
    std::set<std::string> logged_;  // kinds of failure already in the log
    std::string lastFailure_;
};

}  // namespace qvnbdrv
