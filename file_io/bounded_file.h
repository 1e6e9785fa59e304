// The one way a text file of the system is opened for reading: only a regular file, and only
// one of bounded size, so a FIFO, a device or a runaway file can neither hang a reader nor
// exhaust its memory. A board or settings file is a few KiB.
#pragma once

#include <cstddef>
#include <string>

namespace qorv::file_io {

inline constexpr size_t kTextFileLimit = 0x100000;  // 1 MiB: hundreds of times a real board or settings file

enum class OpenFault {
    None,
    Missing,     // absent, or it cannot be opened
    NotRegular,  // a folder, FIFO, device or socket
    TooLarge,    // more than the limit
};

// The whole content of path into bytes, when path is a regular file of at most limit bytes.
// Otherwise bytes is empty and the answer says why.
OpenFault readBoundedFile(const std::string& path, std::string& bytes, size_t limit = kTextFileLimit);

// In the user's words: "cannot open the settings file PATH", "... is not a regular file", ...
std::string describeOpenFault(OpenFault fault, const std::string& what, const std::string& path, size_t limit);

}  // namespace qorv::file_io
