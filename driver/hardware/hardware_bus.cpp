#include "hardware/hardware_bus.h"

#include <fcntl.h>
#include <linux/i2c-dev.h>
#include <linux/i2c.h>

#include <cerrno>
#include <fstream>
#include <utility>

namespace qvnbdrv {

namespace {

constexpr uint32_t kHighestPort = 0xFFFF;  // x86 I/O space is 16 bits wide

// "0x2E (request address 0x5C)": the 7-bit address i2cdetect and sensors show, and the
// 8-bit form the board file and the request carry.
std::string addressText(uint8_t address) { return hex(address >> 1, 2) + " (request address " + hex(address, 2) + ")"; }

}  // namespace

HardwareBus::HardwareBus(SystemCalls& calls, std::filesystem::path sysfsRoot, std::filesystem::path deviceDirectory,
                         std::string portDevice, bool force, HardwareLog log)
    : calls_(calls),
      sysfsRoot_(std::move(sysfsRoot)),
      deviceDirectory_(std::move(deviceDirectory)),
      portDevice_(std::move(portDevice)),
      force_(force),
      log_(std::move(log)),
      adapters_(sysfsRoot_) {}

HardwareBus::~HardwareBus() {
    closeAdapter();
    if (portFd_ >= 0) calls_.close(portFd_);
}

void HardwareBus::logOnce(const std::string& kind, LogLevel level, const std::string& message) {
    if (!logged_.insert(kind).second) return;
    if (log_) log_(level, message);
}

void HardwareBus::closeAdapter() {
    if (i2cFd_ >= 0) calls_.close(i2cFd_);
    i2cFd_ = -1;
    slave_ = -1;
    family_.reset();
    adapter_.reset();
}

std::string HardwareBus::adapterText() const {
    if (!adapter_) return "no adapter";
    return "i2c-" + std::to_string(adapter_->number) + " (" + adapter_->name + ")";
}

// ---- SMBus -------------------------------------------------------------------------------

bool HardwareBus::chooseHost(uint32_t family) {
    if (family > 2) {
        logOnce("family " + std::to_string(family), LogLevel::Warning,
                "refused SMBus host family " + std::to_string(family) +
                    ": the known families are 0 (AMD756/766/768), 1 (Intel ICH) and 2 (ServerWorks)");
        return false;
    }
    // The library chooses the host at every start; the adapter already open stays.
    if (family_ == family && i2cFd_ >= 0) return true;

    closeAdapter();
    hostChosen_ = true;
    const std::string familyText =
        "SMBus host family " + std::to_string(family) + " (" + I2cAdapters::familyName(family) + ")";

    const auto found = adapters_.find(family);
    if (!found) {
        std::string present;
        for (const I2cAdapter& adapter : adapters_.all())
            present +=
                (present.empty() ? "" : ", ") + ("i2c-" + std::to_string(adapter.number)) + " \"" + adapter.name + "\"";
        lastFailure_ = "no i2c adapter for " + familyText + " under " + (sysfsRoot_ / "bus/i2c/devices").string() +
                       " (adapters present: " + (present.empty() ? "none" : present) + "); is the " +
                       I2cAdapters::familyModule(family) + " module loaded? SMBus chips cannot be read";
        logOnce("no adapter " + std::to_string(family), LogLevel::Error, lastFailure_);
        return false;
    }

    const std::string device = (deviceDirectory_ / ("i2c-" + std::to_string(found->number))).string();
    const int fd = calls_.open(device, O_RDWR | O_CLOEXEC);
    if (fd < 0) {
        const int error = -fd;
        std::string hint;
        if (error == ENOENT)
            hint = "; load the i2c-dev module (modprobe i2c-dev) so the adapter gets its device node";
        else if (error == EACCES || error == EPERM)
            hint = "; qvnbdrv needs read and write access to it (run it as root)";
        lastFailure_ = "cannot open " + device + " for " + familyText + ", adapter \"" + found->name +
                       "\": " + errorText(error) + hint + ". SMBus chips cannot be read";
        logOnce("open " + device + " " + std::to_string(error), LogLevel::Error, lastFailure_);
        return false;
    }

    i2cFd_ = fd;
    family_ = family;
    adapter_ = found;
    logOnce("using " + device, LogLevel::Info, familyText + ": SMBus through " + device + ", " + adapterText());
    return true;
}

bool HardwareBus::selectSlave(uint8_t address) {
    const int slave = address >> 1;
    if (slave == slave_) return true;

    // I2C_SLAVE refuses an address a kernel driver has bound (EBUSY); FORCE takes it anyway,
    // and the two then share the chip, which is why it waits for --force.
    const unsigned long request = force_ ? I2C_SLAVE_FORCE : I2C_SLAVE;
    const int result = calls_.ioctl(i2cFd_, request, static_cast<unsigned long>(slave));
    if (result >= 0) {
        slave_ = slave;
        return true;
    }
    slave_ = -1;
    const int error = -result;
    if (error == EBUSY) {
        logOnce("busy " + std::to_string(slave), LogLevel::Error,
                "a kernel driver owns the chip at SMBus address " + addressText(address) + " on " + adapterText() +
                    "; unload that driver (for instance w83781d or lm78) or start qvnbdrv with --force "
                    "to share the chip with it");
    } else {
        logOnce("slave " + std::to_string(slave) + " " + std::to_string(error), LogLevel::Error,
                "cannot address the SMBus chip at " + addressText(address) + " on " + adapterText() + ": " +
                    errorText(error));
    }
    return false;
}

bool HardwareBus::smbusTransfer(uint8_t address, uint8_t command, bool read, uint8_t& data) {
    if (i2cFd_ < 0) {
        // A failed host choice has said why already; say something only when none came.
        if (!hostChosen_)
            logOnce("no host", LogLevel::Warning,
                    "SMBus request for address " + addressText(address) +
                        " before any SMBus host family was chosen; refused");
        return false;
    }
    if (!selectSlave(address)) return false;

    // What libi2c's i2c_smbus_read/write_byte_data do, without depending on its header.
    i2c_smbus_data block{};
    if (!read) block.byte = data;
    i2c_smbus_ioctl_data transfer{};
    transfer.read_write = read ? I2C_SMBUS_READ : I2C_SMBUS_WRITE;
    transfer.command = command;
    transfer.size = I2C_SMBUS_BYTE_DATA;
    transfer.data = &block;
    const int result = calls_.ioctl(i2cFd_, I2C_SMBUS, reinterpret_cast<unsigned long>(&transfer));
    if (result < 0) {
        const int error = -result;
        std::string hint;
        if (error == ENXIO || error == EREMOTEIO)
            hint = " (no chip acknowledged that address)";
        else if (error == ETIMEDOUT || error == EAGAIN)
            hint = " (the bus is busy or hung)";
        logOnce(std::string(read ? "read " : "write ") + std::to_string(address) + " " + std::to_string(error),
                LogLevel::Warning,
                std::string("SMBus ") + (read ? "read" : "write") + " of register " + hex(command, 2) + " at " +
                    addressText(address) + " on " + adapterText() + " failed: " + errorText(error) + hint);
        if (error == ENODEV) closeAdapter();  // the adapter went away; the next host choice reopens
        return false;
    }
    if (read) data = block.byte;
    return true;
}

bool HardwareBus::smbusRead(uint8_t address, uint8_t command, uint8_t& data) {
    return smbusTransfer(address, command, true, data);
}

bool HardwareBus::smbusWrite(uint8_t address, uint8_t command, uint8_t data) {
    return smbusTransfer(address, command, false, data);
}

// ---- I/O ports ---------------------------------------------------------------------------

std::optional<std::string> HardwareBus::lockdownMode() const {
    // securityfs shows the modes with the active one in brackets: "none [integrity] confidentiality".
    std::ifstream in(sysfsRoot_ / "kernel/security/lockdown");
    std::string line;
    if (!in || !std::getline(in, line)) return std::nullopt;
    const auto open = line.find('[');
    const auto close = line.find(']', open);
    if (open == std::string::npos || close == std::string::npos) return std::nullopt;
    return line.substr(open + 1, close - open - 1);
}

std::string HardwareBus::portDeniedText(int error) const {
    const std::string what = "cannot use " + portDevice_ + " for I/O port access: " + errorText(error);
    if (error == EPERM) {
        const auto mode = lockdownMode();
        if (mode && (*mode == "integrity" || *mode == "confidentiality"))
            return what + ". The kernel is locked down (lockdown mode \"" + *mode +
                   "\", which Secure Boot turns on), and lockdown refuses " + portDevice_ +
                   " even to root: chips behind I/O ports cannot be read while the system runs with "
                   "Secure Boot lockdown. SMBus chips are not affected";
    }
    if (error == EPERM || error == EACCES)
        return what +
               ". Port I/O needs root or CAP_SYS_RAWIO: run qvnbdrv as root or give it "
               "CAP_SYS_RAWIO (a kernel locked down under Secure Boot refuses it even to root)";
    if (error == ENOENT) return what + ". This kernel offers no " + portDevice_ + " (CONFIG_DEVPORT)";
    return what;
}

bool HardwareBus::openPortDevice() {
    if (portFd_ >= 0) return true;
    const int fd = calls_.open(portDevice_, O_RDWR | O_CLOEXEC);
    if (fd < 0) {
        lastFailure_ = portDeniedText(-fd);
        logOnce("open port " + std::to_string(-fd), LogLevel::Error, lastFailure_);
        return false;
    }
    portFd_ = fd;
    return true;
}

bool HardwareBus::portTransfer(uint32_t port, bool read, uint8_t& data) {
    const std::string direction = read ? "read" : "write";
    if (port > kHighestPort) {
        logOnce("port range", LogLevel::Warning,
                "refused a " + direction + " of I/O port " + hex(port, 4) + ": ports end at 0xFFFF");
        return false;
    }
    if (!openPortDevice()) return false;

    // A failed read leaves the caller's byte as it was.
    uint8_t byte = data;
    const auto result = read ? calls_.pread(portFd_, &byte, 1, static_cast<off_t>(port))
                             : calls_.pwrite(portFd_, &byte, 1, static_cast<off_t>(port));
    if (result == 1) {
        data = byte;
        return true;
    }
    const int error = result < 0 ? static_cast<int>(-result) : 0;
    std::string message;
    if (error == EPERM || error == EACCES)
        message = portDeniedText(error);
    else
        message = "I/O port " + direction + " at " + hex(port, 4) + " through " + portDevice_ +
                  " failed: " + (error ? errorText(error) : std::string("no byte moved"));
    logOnce("port " + direction + " " + std::to_string(error), LogLevel::Error, message);
    return false;
}

bool HardwareBus::readPort(uint32_t port, uint8_t& data) { return portTransfer(port, true, data); }

bool HardwareBus::writePort(uint32_t port, uint8_t data) { return portTransfer(port, false, data); }

}  // namespace qvnbdrv
