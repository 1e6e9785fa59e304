// The whole text of a file, byte for byte ("" when it cannot be read), for assertions and
// for logs shown beside a failure.
#pragma once

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace qorv::testing {

inline std::string fileText(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

}  // namespace qorv::testing
