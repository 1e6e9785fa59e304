#include "description_syntax.h"

#include <cctype>
#include <limits>

namespace qvnhwm::syntax {

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }

char lower(char c) { return char(std::tolower(static_cast<unsigned char>(c))); }

// Sign and magnitude of a decimal number, the magnitude capped just past any 32-bit value.
struct Decimal {
    bool negative = false;
    uint64_t magnitude = 0;
};

Decimal parseDecimal(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && isBlank(text[i])) ++i;
    Decimal d;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) d.negative = text[i++] == '-';
    constexpr uint64_t kCap = uint64_t(std::numeric_limits<uint32_t>::max()) + 1;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        d.magnitude = d.magnitude * 10 + uint64_t(text[i] - '0');
        if (d.magnitude > kCap) d.magnitude = kCap;
    }
    return d;
}

}  // namespace

std::string_view cleanLine(std::string_view raw) {
    size_t begin = 0;
    while (begin < raw.size() && isBlank(raw[begin])) ++begin;
    std::string_view line = raw.substr(begin);
    if (const size_t comment = line.find("//"); comment != std::string_view::npos) line = line.substr(0, comment);
    while (!line.empty() && (isBlank(line.back()) || line.back() == '\n')) line.remove_suffix(1);
    return line;
}

bool equalsIgnoreCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && startsWithIgnoreCase(a, b);
}

bool startsWithIgnoreCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) return false;
    for (size_t i = 0; i < prefix.size(); ++i)
        if (lower(text[i]) != lower(prefix[i])) return false;
    return true;
}

int32_t parseSigned(std::string_view text) {
    const Decimal d = parseDecimal(text);
    if (d.negative) {
        constexpr uint64_t kMinMagnitude = uint64_t(std::numeric_limits<int32_t>::max()) + 1;
        return d.magnitude >= kMinMagnitude ? std::numeric_limits<int32_t>::min() : -int32_t(d.magnitude);
    }
    return d.magnitude > uint64_t(std::numeric_limits<int32_t>::max()) ? std::numeric_limits<int32_t>::max()
                                                                       : int32_t(d.magnitude);
}

uint32_t parseUnsigned(std::string_view text) {
    const Decimal d = parseDecimal(text);
    const uint32_t magnitude = d.magnitude > std::numeric_limits<uint32_t>::max() ? std::numeric_limits<uint32_t>::max()
                                                                                  : uint32_t(d.magnitude);
    // Like the C library's strtoul, a minus sign negates in unsigned arithmetic.
    return d.negative ? uint32_t(0u - magnitude) : magnitude;
}

}  // namespace qvnhwm::syntax
