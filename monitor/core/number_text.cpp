#include "number_text.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace qorv {

std::string_view trimmed(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!text.empty() && blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && blank(text.back())) text.remove_suffix(1);
    return text;
}

std::string numberText(double value) {
    if (value == 0) return "0";  // no "-0"
    // Rounded to 15 significant digits first, then laid out without an exponent: the
    // threshold fields only take digits, a sign and a point.
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.14e", value);
    const std::string text(buf);
    const auto e = text.find('e');
    const int exponent = std::atoi(text.c_str() + e + 1);
    std::string digits;
    for (char c : text.substr(0, e))
        if (c >= '0' && c <= '9') digits += c;
    while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
    std::string out = value < 0 ? "-" : "";
    const int point = exponent + 1;  // digits before the decimal point
    if (point <= 0) {
        out += "0." + std::string(std::size_t(-point), '0') + digits;
    } else if (std::size_t(point) >= digits.size()) {
        out += digits + std::string(std::size_t(point) - digits.size(), '0');
    } else {
        out += digits.substr(0, std::size_t(point)) + "." + digits.substr(std::size_t(point));
    }
    return out;
}

std::optional<double> parseDouble(std::string_view text) {
    const std::string s(trimmed(text));
    // Decimal only: strtod would also take hexadecimal, "inf" and "nan".
    if (s.empty() || s.find_first_not_of("0123456789+-.eE") != std::string::npos) return std::nullopt;
    char* end = nullptr;
    errno = 0;
    const double v = std::strtod(s.c_str(), &end);
    if (end != s.c_str() + s.size() || errno == ERANGE || !std::isfinite(v)) return std::nullopt;
    return v;
}

std::optional<long long> parseInteger(std::string_view text, long long min, long long max) {
    const std::string s(trimmed(text));
    if (s.empty()) return std::nullopt;
    char* end = nullptr;
    errno = 0;
    const long long v = std::strtoll(s.c_str(), &end, 10);
    if (end != s.c_str() + s.size() || errno == ERANGE || v < min || v > max) return std::nullopt;
    return v;
}

}  // namespace qorv
