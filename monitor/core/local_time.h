// Local calendar time for the history's log: the day a moment falls in (a log file per
// day) and the moment as RFC 3339 text with the zone's offset, which reads back to the
// same moment whatever zone the reader is in.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "clock.h"

namespace qorv {

struct LocalDay {
    int year = 1970, month = 1, day = 1;
    auto operator<=>(const LocalDay&) const = default;
    // "2026-12-10".
    std::string text() const;
    // The day before, by the calendar.
    LocalDay previous() const;
    // Days from 1970-01-01 by the calendar (negative before).
    long ordinal() const;
    static std::optional<LocalDay> parse(std::string_view text);
};

LocalDay localDayOf(TimePoint t);

// "2026-12-10T10:59:40+01:00": local time, whole seconds, the offset of that moment.
std::string rfc3339(TimePoint t);
// Reads what rfc3339 writes, "Z" for UTC, and fractions of a second (dropped).
std::optional<TimePoint> parseRfc3339(std::string_view text);

}  // namespace qorv
