// The folder the running program lies in: where its board files, pictures and libraries
// are, and where the settings rule starts looking.
#pragma once

#include <string>

namespace qorv {

// "." when the program's own path cannot be read.
std::string runningProgramFolder();

}  // namespace qorv
