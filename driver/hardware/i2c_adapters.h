// Which /dev/i2c-N drives the board's SMBus host controller: the adapters the kernel lists
// under <sysfs>/bus/i2c/devices/i2c-N, told apart by the name their driver gives them.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace qvnbdrv {

struct I2cAdapter {
    int number = -1;   // N of i2c-N
    std::string name;  // the adapter's name as sysfs shows it, for log lines
};

class I2cAdapters {
public:
    explicit I2cAdapters(std::filesystem::path sysfsRoot = "/sys");

    // The adapter of an SMBus host family, the lowest-numbered when several match:
    //   0  AMD756/766/768 (i2c-amd756)
    //   1  Intel ICH (i2c-i801), not the IDF adapters that driver also registers
    //   2  ServerWorks OSB4/CSB5 (i2c-piix4 on a PCI device of vendor 0x1166)
    // Nothing for any other family, or when no adapter matches.
    std::optional<I2cAdapter> find(uint32_t family) const;

    // Every adapter present, lowest number first; the log names them when none matches.
    std::vector<I2cAdapter> all() const;

    // What the log calls a family's controller, and the kernel module that drives it.
    static const char* familyName(uint32_t family);
    static const char* familyModule(uint32_t family);

private:
    bool matches(uint32_t family, const I2cAdapter& adapter) const;
    std::optional<uint32_t> pciVendor(const I2cAdapter& adapter) const;
    std::filesystem::path adapterDirectory(int number) const;

    std::filesystem::path devices_;
};

}  // namespace qvnbdrv
