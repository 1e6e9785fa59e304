#include "program_folder.h"

#include <unistd.h>

namespace qorv {

std::string runningProgramFolder() {
    char path[4096];
    const ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0) return ".";
    const std::string p(path, size_t(n));
    return p.substr(0, p.find_last_of('/'));
}

}  // namespace qorv
