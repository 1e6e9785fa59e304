// Starts the system's system-information tool, found by system_information_tool.h.
#pragma once

#include <functional>
#include <string>

#include "system_information_tool.h"

namespace qorv {

inline constexpr const char* kSystemInformationUnavailable = "System Information Is Unavailable At This Time";

// message shows a text in a message box.
void StartSystemInformation(const std::function<void(const std::string&)>& message);

}  // namespace qorv
