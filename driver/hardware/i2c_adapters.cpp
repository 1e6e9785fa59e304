#include "i2c_adapters.h"

#include <algorithm>
#include <array>
#include <fstream>
#include <string_view>
#include <system_error>

#include "smbus_host.h"

namespace qvnbdrv {

namespace fs = std::filesystem;

namespace {

constexpr uint32_t kFamilyAmd = qvnhwm::kHostAmd;                  // AMD756/766/768 southbridges
constexpr uint32_t kFamilyIntel = qvnhwm::kHostIntel;              // Intel ICH
constexpr uint32_t kFamilyServerWorks = qvnhwm::kHostServerWorks;  // ServerWorks OSB4/CSB5

constexpr uint32_t kServerWorksVendor = 0x1166;  // PCI vendor id of ServerWorks

// i2c-i801 names its adapter "SMBus I801 adapter at <base>"; its IDF adapters are
// "SMBus I801 IDF adapter ..." and are not the host the board's chips sit on.
constexpr std::string_view kI801Prefix = "SMBus I801 adapter at ";
// i2c-amd756 names the adapter after the southbridge it found.
constexpr std::array<std::string_view, 3> kAmdPrefixes{"SMBus AMD756", "SMBus AMD766", "SMBus AMD768"};
// i2c-piix4 drives the ServerWorks parts as PIIX4-compatible; the vendor tells them apart.
constexpr std::string_view kPiix4Prefix = "SMBus PIIX4 adapter at ";

bool startsWith(const std::string& text, std::string_view prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

// The first line of a small sysfs file without its line end, or nothing.
std::optional<std::string> readLine(const fs::path& file) {
    std::ifstream in(file);
    if (!in) return std::nullopt;
    std::string line;
    if (!std::getline(in, line)) return std::nullopt;
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r' || line.back() == ' ')) line.pop_back();
    return line;
}

std::optional<uint32_t> readHex(const fs::path& file) {
    const auto text = readLine(file);
    if (!text || text->empty()) return std::nullopt;
    try {
        size_t used = 0;
        const unsigned long value = std::stoul(*text, &used, 16);
        if (used != text->size()) return std::nullopt;
        return static_cast<uint32_t>(value);
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

// N of a directory entry "i2c-N"; anything else (client devices such as "0-002e") is no
// adapter.
std::optional<int> adapterNumber(const std::string& entry) {
    constexpr std::string_view kPrefix = "i2c-";
    if (!startsWith(entry, kPrefix) || entry.size() == kPrefix.size() || entry.size() > kPrefix.size() + 6)
        return std::nullopt;
    int number = 0;
    for (size_t i = kPrefix.size(); i < entry.size(); ++i) {
        if (entry[i] < '0' || entry[i] > '9') return std::nullopt;
        number = number * 10 + (entry[i] - '0');
    }
    return number;
}

}  // namespace

I2cAdapters::I2cAdapters(fs::path sysfsRoot) : devices_(std::move(sysfsRoot) / "bus" / "i2c" / "devices") {}

fs::path I2cAdapters::adapterDirectory(int number) const { return devices_ / ("i2c-" + std::to_string(number)); }

std::vector<I2cAdapter> I2cAdapters::all() const {
    std::vector<I2cAdapter> adapters;
    std::error_code error;
    fs::directory_iterator it(devices_, error);
    if (error) return adapters;
    for (const fs::directory_iterator end; it != end; it.increment(error)) {
        if (error) break;
        const auto number = adapterNumber(it->path().filename().string());
        if (!number) continue;
        const auto name = readLine(it->path() / "name");
        if (!name) continue;
        adapters.push_back({*number, *name});
    }
    std::sort(adapters.begin(), adapters.end(),
              [](const I2cAdapter& a, const I2cAdapter& b) { return a.number < b.number; });
    return adapters;
}

std::optional<I2cAdapter> I2cAdapters::find(uint32_t family) const {
    if (family > kFamilyServerWorks) return std::nullopt;
    for (const I2cAdapter& adapter : all())
        if (matches(family, adapter)) return adapter;
    return std::nullopt;
}

bool I2cAdapters::matches(uint32_t family, const I2cAdapter& adapter) const {
    switch (family) {
        case kFamilyAmd:
            return std::any_of(kAmdPrefixes.begin(), kAmdPrefixes.end(),
                               [&](std::string_view prefix) { return startsWith(adapter.name, prefix); });
        case kFamilyIntel: return startsWith(adapter.name, kI801Prefix);
        case kFamilyServerWorks:
            return startsWith(adapter.name, kPiix4Prefix) && pciVendor(adapter) == kServerWorksVendor;
        default: return false;
    }
}

std::optional<uint32_t> I2cAdapters::pciVendor(const I2cAdapter& adapter) const {
    const fs::path directory = adapterDirectory(adapter.number);
    // The adapter's "device" link leads to the PCI function that hosts it.
    if (const auto vendor = readHex(directory / "device" / "vendor")) return vendor;
    // Without that link, the adapter's own sysfs directory sits inside the PCI function's.
    std::error_code error;
    const fs::path resolved = fs::canonical(directory, error);
    if (error) return std::nullopt;
    return readHex(resolved.parent_path() / "vendor");
}

const char* I2cAdapters::familyName(uint32_t family) {
    switch (family) {
        case kFamilyAmd: return "AMD756/766/768";
        case kFamilyIntel: return "Intel ICH (I801)";
        case kFamilyServerWorks: return "ServerWorks OSB4/CSB5 (PIIX4)";
        default: return "unknown";
    }
}

const char* I2cAdapters::familyModule(uint32_t family) {
    switch (family) {
        case kFamilyAmd: return "i2c-amd756";
        case kFamilyIntel: return "i2c-i801";
        case kFamilyServerWorks: return "i2c-piix4";
        default: return "";
    }
}

}  // namespace qvnbdrv
