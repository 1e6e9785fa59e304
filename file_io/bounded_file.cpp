#include "bounded_file.h"

#include <algorithm>
#include <filesystem>
#include <fstream>

namespace qorv::file_io {

OpenFault readBoundedFile(const std::string& path, std::string& bytes, size_t limit) {
    bytes.clear();
    // The type is asked before the file is opened: opening a FIFO for reading waits for a writer.
    std::error_code ec;
    const std::filesystem::file_status status = std::filesystem::status(path, ec);
    if (ec || !std::filesystem::exists(status)) return OpenFault::Missing;
    if (!std::filesystem::is_regular_file(status)) return OpenFault::NotRegular;
    std::ifstream file(path, std::ios::binary);
    if (!file.is_open()) return OpenFault::Missing;
    // In steps, so that a file of a few KiB costs a few KiB and not a buffer of the limit's
    // size. One byte past the limit tells a file that is too large, also one that grew
    // since the check.
    constexpr size_t kStep = 0x4000;
    while (file && bytes.size() <= limit) {
        const size_t at = bytes.size(), want = std::min(kStep, limit + 1 - at);
        bytes.resize(at + want);
        file.read(bytes.data() + at, std::streamsize(want));
        bytes.resize(at + size_t(file.gcount()));
    }
    if (bytes.size() > limit) {
        bytes.clear();
        return OpenFault::TooLarge;
    }
    return OpenFault::None;
}

std::string describeOpenFault(OpenFault fault, const std::string& what, const std::string& path, size_t limit) {
    switch (fault) {
        case OpenFault::None: return {};
        case OpenFault::Missing: return "cannot open the " + what + " " + path;
        case OpenFault::NotRegular: return "the " + what + " " + path + " is not a regular file";
        case OpenFault::TooLarge:
            return "the " + what + " " + path + " is larger than " + std::to_string(limit / 1024) + " KiB";
    }
    return {};
}

}  // namespace qorv::file_io
