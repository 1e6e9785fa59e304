#include "number_text.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace qorv {

namespace {

std::string_view trimmed(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!text.empty() && blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && blank(text.back())) text.remove_suffix(1);
    return text;
}

}  // namespace

std::string numberText(double value) {
    if (value == 0) value = 0;  // no "-0"
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.15g", value);
    return buf;
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
