// Starts the system's system-information tool. On Windows the tool is found through the
// registry; elsewhere the first installed of a short list of such programs stands in for
// the registry's two values.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace qorv {

inline constexpr const char* kSystemInformationUnavailable = "System Information Is Unavailable At This Time";

// message shows a text in a message box.
void StartSystemInformation(const std::function<void(const std::string&)>& message);

#if !defined(_WIN32)
// The programs looked for, in order, and where; the first found is started detached.
std::vector<std::string> systemInformationCandidates();
// The full path of the first candidate found in the search folders, or empty.
std::string findSystemInformationTool(const std::vector<std::string>& candidates,
                                      const std::vector<std::string>& folders);
#endif

}  // namespace qorv
