// Clock texts as the user's locale writes them (LC_ALL, LC_TIME or LANG), whatever
// locale the process itself runs in.
#pragma once

#include <ctime>
#include <string>

namespace qorv {

// Hours, minutes and seconds in the locale's time format.
std::string localTimeText(const std::tm& when);

// The date in the locale's short date format.
std::string localShortDateText(const std::tm& when);

// The local calendar time of a moment.
std::tm localCalendarTime(std::time_t when);

}  // namespace qorv
