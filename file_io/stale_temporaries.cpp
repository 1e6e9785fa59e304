#include "stale_temporaries.h"

#include <algorithm>
#include <filesystem>

namespace qorv::file_io {

namespace {

constexpr size_t kSuffixLength = 6;  // the XXXXXX of path.XXXXXX

bool isLetterOrDigit(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'); }

}  // namespace

int removeStaleTemporaries(const std::string& path) {
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::path target = fs::canonical(path, ec);
    if (ec) target = path;
    const std::string prefix = target.filename().string() + ".";
    const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
    int removed = 0;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder, ec)) {
        const std::string name = entry.path().filename().string();
        if (name.size() != prefix.size() + kSuffixLength || name.compare(0, prefix.size(), prefix) != 0) continue;
        if (!std::all_of(name.begin() + long(prefix.size()), name.end(), isLetterOrDigit)) continue;
        std::error_code kind;
        if (!entry.is_regular_file(kind) || entry.is_symlink(kind)) continue;
        if (fs::remove(entry.path(), kind)) ++removed;
    }
    return removed;
}

}  // namespace qorv::file_io
