// A machine's hardware for the hardware bus in tests: a fake sysfs tree laid out as the
// kernel lays it out, and fake device nodes behind the system-call seam that decode the
// i2c-dev ioctl structures and serve fake chips and ports.
#pragma once

#include <fcntl.h>
#include <linux/i2c-dev.h>
#include <linux/i2c.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "hardware/system_calls.h"
#include "temp_dir.h"

namespace qvnbdrv::fakes {

namespace fs = std::filesystem;

constexpr uint32_t kAmd = 0;
constexpr uint32_t kIntel = 1;
constexpr uint32_t kServerWorks = 2;

using TemporaryFolder = qorv::testing::TempDir;

inline void writeFile(const fs::path& file, const std::string& text) {
    fs::create_directories(file.parent_path());
    std::ofstream(file) << text;
}

// A sysfs tree laid out as the kernel lays it out: adapters live inside their PCI function's
// directory and bus/i2c/devices links to them.
class FakeSysfs {
public:
    explicit FakeSysfs(fs::path root) : root_(std::move(root)) {
        fs::create_directories(devices());
        // A client device beside the adapters; it is no adapter.
        writeFile(devices() / "0-002e" / "name", "w83782d\n");
    }

    fs::path root() const { return root_; }
    fs::path devices() const { return root_ / "bus/i2c/devices"; }

    // An adapter inside a PCI function of the given vendor, reached through a link in
    // bus/i2c/devices; with deviceLink, the adapter also has its "device" link to the
    // function.
    void pciAdapter(int number, const std::string& name, uint32_t vendor, bool deviceLink) {
        const std::string function = "0000:00:0f." + std::to_string(number);
        const fs::path pci = root_ / "devices/pci0000:00" / function;
        char vendorText[16];
        std::snprintf(vendorText, sizeof vendorText, "0x%04x\n", vendor);
        writeFile(pci / "vendor", vendorText);
        const std::string adapter = "i2c-" + std::to_string(number);
        writeFile(pci / adapter / "name", name + "\n");
        if (deviceLink) fs::create_directory_symlink("..", pci / adapter / "device");
        fs::create_directory_symlink("../../../devices/pci0000:00/" + function + "/" + adapter, devices() / adapter);
    }

    // An adapter whose directory is not inside its PCI function: only the "device" link
    // leads to the vendor (none when vendor is 0).
    void plainAdapter(int number, const std::string& name, uint32_t vendor = 0) {
        const fs::path adapter = devices() / ("i2c-" + std::to_string(number));
        writeFile(adapter / "name", name + "\n");
        if (vendor == 0) return;
        const fs::path pci = root_ / "devices/pci0000:00" / ("0000:00:1e." + std::to_string(number));
        char vendorText[16];
        std::snprintf(vendorText, sizeof vendorText, "0x%04x\n", vendor);
        writeFile(pci / "vendor", vendorText);
        fs::create_directory_symlink(pci, adapter / "device");
    }

    void lockdown(const std::string& text) { writeFile(root_ / "kernel/security/lockdown", text); }

private:
    fs::path root_;
};

// One emulated chip: 256 byte registers, and whether a kernel driver has bound its address.
struct FakeChip {
    std::array<uint8_t, 256> registers{};
    bool ownedByKernelDriver = false;
};

// The device nodes of a machine. i2c-dev ioctls are decoded as the kernel decodes them and
// served from the chips; /dev/port reads and writes come from a map of ports.
class FakeSystem final : public SystemCalls {
public:
    struct SlaveRequest {
        unsigned long request;
        unsigned long address;
    };
    struct Transfer {
        int readWrite;
        int command;
        uint32_t size;
    };

    std::set<std::string> adapterNodes{"/dev/i2c-0"};
    std::string portNode = "/dev/port";
    std::map<std::string, int> openErrors;  // node -> errno its open fails with
    int portError = 0;                      // errno every port access fails with
    std::map<int, FakeChip> chips;          // by 7-bit address
    std::map<uint32_t, uint8_t> ports;

    std::vector<std::pair<std::string, int>> opens;  // node and flags
    std::vector<std::string> closes;
    std::vector<SlaveRequest> slaveRequests;
    std::vector<Transfer> transfers;
    std::vector<std::string> portTrace;

    std::set<std::string> openNodes() const {
        std::set<std::string> nodes;
        for (const auto& [fd, node] : fds_) nodes.insert(node);
        return nodes;
    }

    int open(const std::string& path, int flags) override {
        opens.emplace_back(path, flags);
        if (const auto error = openErrors.find(path); error != openErrors.end()) return -error->second;
        if (path != portNode && !adapterNodes.count(path)) return -ENOENT;
        const int fd = nextFd_++;
        fds_[fd] = path;
        return fd;
    }

    int close(int fd) override {
        const auto it = fds_.find(fd);
        if (it == fds_.end()) return -EBADF;
        closes.push_back(it->second);
        slaves_.erase(fd);
        fds_.erase(it);
        return 0;
    }

    int ioctl(int fd, unsigned long request, unsigned long argument) override {
        const auto it = fds_.find(fd);
        if (it == fds_.end()) return -EBADF;
        if (!adapterNodes.count(it->second)) return -ENOTTY;
        switch (request) {
            case I2C_SLAVE:
            case I2C_SLAVE_FORCE: {
                slaveRequests.push_back({request, argument});
                if (argument > 0x7F) return -EINVAL;
                const auto chip = chips.find(int(argument));
                if (request == I2C_SLAVE && chip != chips.end() && chip->second.ownedByKernelDriver) return -EBUSY;
                slaves_[fd] = int(argument);
                return 0;
            }
            case I2C_SMBUS: {
                const auto* transfer = reinterpret_cast<const i2c_smbus_ioctl_data*>(argument);
                transfers.push_back({transfer->read_write, transfer->command, transfer->size});
                if (transfer->size != I2C_SMBUS_BYTE_DATA || transfer->data == nullptr) return -EINVAL;
                const auto slave = slaves_.find(fd);
                if (slave == slaves_.end()) return -ENXIO;
                const auto chip = chips.find(slave->second);
                if (chip == chips.end()) return -ENXIO;
                uint8_t& reg = chip->second.registers[transfer->command];
                if (transfer->read_write == I2C_SMBUS_READ)
                    transfer->data->byte = reg;
                else if (transfer->read_write == I2C_SMBUS_WRITE)
                    reg = transfer->data->byte;
                else
                    return -EINVAL;
                return 0;
            }
            default: return -ENOTTY;
        }
    }

    ssize_t pread(int fd, void* buffer, size_t count, off_t offset) override {
        if (!isPort(fd) || count != 1) return -EBADF;
        if (portError) return -portError;
        *static_cast<uint8_t*>(buffer) = ports[uint32_t(offset)];
        portTrace.push_back("R " + hex(offset));
        return 1;
    }

    ssize_t pwrite(int fd, const void* buffer, size_t count, off_t offset) override {
        if (!isPort(fd) || count != 1) return -EBADF;
        if (portError) return -portError;
        const uint8_t value = *static_cast<const uint8_t*>(buffer);
        ports[uint32_t(offset)] = value;
        portTrace.push_back("W " + hex(offset) + " " + hex(value));
        return 1;
    }

private:
    static std::string hex(long value) {
        char text[16];
        std::snprintf(text, sizeof text, "%lX", value);
        return text;
    }
    bool isPort(int fd) const {
        const auto it = fds_.find(fd);
        return it != fds_.end() && it->second == portNode;
    }

    std::map<int, std::string> fds_;
    std::map<int, int> slaves_;
    int nextFd_ = 3;
};

}  // namespace qvnbdrv::fakes
