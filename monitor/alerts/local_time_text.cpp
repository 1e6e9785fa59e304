#include "local_time_text.h"

#if !defined(_WIN32)
#  include <locale.h>
#endif

namespace qorv {

namespace {

constexpr const char* kTimeFormat = "%X";
constexpr const char* kShortDateFormat = "%x";

std::string formatted(const char* format, const std::tm& when) {
    char text[128];
    std::size_t n = 0;
#if defined(_WIN32)
    if (_locale_t user = _create_locale(LC_TIME, "")) {
        n = _strftime_l(text, sizeof text, format, &when, user);
        _free_locale(user);
    } else {
        n = std::strftime(text, sizeof text, format, &when);
    }
#else
    // A locale of its own, so the process-wide one (which a toolkit may have set, or not)
    // stays as it is. An unknown locale name in the environment falls back to the
    // process's locale rather than to no text.
    if (locale_t user = ::newlocale(LC_TIME_MASK, "", locale_t(0))) {
        n = ::strftime_l(text, sizeof text, format, &when, user);
        ::freelocale(user);
    } else {
        n = std::strftime(text, sizeof text, format, &when);
    }
#endif
    return std::string(text, n);
}

}  // namespace

std::string localTimeText(const std::tm& when) { return formatted(kTimeFormat, when); }

std::string localShortDateText(const std::tm& when) { return formatted(kShortDateFormat, when); }

std::tm localCalendarTime(std::time_t when) {
    std::tm local{};
#if defined(_WIN32)
    localtime_s(&local, &when);
#else
    localtime_r(&when, &local);
#endif
    return local;
}

}  // namespace qorv
