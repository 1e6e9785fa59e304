#include "local_time.h"

#include <charconv>
#include <cstdio>
#include <ctime>

namespace qorv {

namespace {

// Days from 1970-01-01 of a proleptic Gregorian date (Howard Hinnant's days_from_civil).
long daysFromCivil(int y, int m, int d) {
    y -= m <= 2;
    const long era = (y >= 0 ? y : y - 399) / 400;
    const long yoe = y - era * 400;
    const long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

LocalDay civilFromDays(long z) {
    z += 719468;
    const long era = (z >= 0 ? z : z - 146096) / 146097;
    const long doe = z - era * 146097;
    const long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const long mp = (5 * doy + 2) / 153;
    const int d = int(doy - (153 * mp + 2) / 5 + 1);
    const int m = int(mp < 10 ? mp + 3 : mp - 9);
    return {int(yoe + era * 400 + (m <= 2)), m, d};
}

std::tm localTm(TimePoint t, long& offsetSeconds) {
    const std::time_t s = std::time_t(unixSeconds(t));
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &s);
    std::tm utc{};
    gmtime_s(&utc, &s);
    offsetSeconds = (daysFromCivil(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday) -
                     daysFromCivil(utc.tm_year + 1900, utc.tm_mon + 1, utc.tm_mday)) *
                        86400L +
                    (local.tm_hour - utc.tm_hour) * 3600L + (local.tm_min - utc.tm_min) * 60L;
#else
    localtime_r(&s, &local);
    offsetSeconds = local.tm_gmtoff;
#endif
    return local;
}

// Reads exactly n digits at text[at...].
std::optional<int> digits(std::string_view text, size_t at, size_t n) {
    if (at + n > text.size()) return std::nullopt;
    int v = 0;
    for (size_t i = at; i < at + n; ++i) {
        if (text[i] < '0' || text[i] > '9') return std::nullopt;
        v = v * 10 + (text[i] - '0');
    }
    return v;
}

int daysInMonth(int y, int m) {
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
    return m == 2 && leap ? 29 : days[m - 1];
}

}  // namespace

std::string LocalDay::text() const {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", year, month, day);
    return buf;
}

LocalDay LocalDay::previous() const { return civilFromDays(ordinal() - 1); }

long LocalDay::ordinal() const { return daysFromCivil(year, month, day); }

std::optional<LocalDay> LocalDay::parse(std::string_view text) {
    if (text.size() != 10 || text[4] != '-' || text[7] != '-') return std::nullopt;
    const auto y = digits(text, 0, 4), m = digits(text, 5, 2), d = digits(text, 8, 2);
    if (!y || !m || !d || *m < 1 || *m > 12 || *d < 1 || *d > daysInMonth(*y, *m)) return std::nullopt;
    return LocalDay{*y, *m, *d};
}

LocalDay localDayOf(TimePoint t) {
    long offset = 0;
    const std::tm local = localTm(t, offset);
    return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday};
}

std::string rfc3339(TimePoint t) {
    long offset = 0;
    const std::tm local = localTm(t, offset);
    const char sign = offset < 0 ? '-' : '+';
    const long a = (offset < 0 ? -offset : offset) % 86400;  // an offset is under a day
    char buf[64];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02dT%02d:%02d:%02d%c%02ld:%02ld", local.tm_year + 1900, local.tm_mon + 1,
                  local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec, sign, a / 3600, (a % 3600) / 60);
    return buf;
}

std::optional<TimePoint> parseRfc3339(std::string_view text) {
    const auto day = LocalDay::parse(text.substr(0, 10));
    if (!day || text.size() < 20 || (text[10] != 'T' && text[10] != 't' && text[10] != ' ') || text[13] != ':' ||
        text[16] != ':')
        return std::nullopt;
    const auto h = digits(text, 11, 2), mi = digits(text, 14, 2), s = digits(text, 17, 2);
    if (!h || !mi || !s || *h > 23 || *mi > 59 || *s > 60) return std::nullopt;
    size_t at = 19;
    if (at < text.size() && text[at] == '.') {
        ++at;
        const size_t first = at;
        while (at < text.size() && text[at] >= '0' && text[at] <= '9') ++at;
        if (at == first) return std::nullopt;
    }
    long offset = 0;
    const std::string_view zone = text.substr(at);
    if (zone == "Z" || zone == "z") {
        offset = 0;
    } else {
        if (zone.size() != 6 || (zone[0] != '+' && zone[0] != '-') || zone[3] != ':') return std::nullopt;
        const auto oh = digits(zone, 1, 2), om = digits(zone, 4, 2);
        if (!oh || !om || *oh > 23 || *om > 59) return std::nullopt;
        offset = (*oh * 3600L + *om * 60L) * (zone[0] == '-' ? -1 : 1);
    }
    const long long seconds = day->ordinal() * 86400LL + *h * 3600LL + *mi * 60LL + *s - offset;
    return fromUnixSeconds(seconds);
}

}  // namespace qorv
