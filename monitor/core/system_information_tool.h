// Where the system's system-information program lies. On Windows the registry names it;
// elsewhere the first installed of a short list of such programs stands in for the
// registry's two values.
#pragma once

#include <string>
#include <vector>

namespace qorv {

// The program to start, or empty when there is none.
std::string systemInformationProgram();

#if !defined(_WIN32)
// The programs looked for, in order.
std::vector<std::string> systemInformationCandidates();
// The full path of the first candidate found in the folders, or empty.
std::string findSystemInformationTool(const std::vector<std::string>& candidates,
                                      const std::vector<std::string>& folders);
#endif

}  // namespace qorv
