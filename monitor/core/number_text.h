// How the application writes a number: decimal point, at most 15 significant digits,
// no trailing zeros.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace qorv {

// "3.2", "-12.03", "4500", "0".
std::string numberText(double value);

// Strict readers for file fields: blanks around the number are allowed, nothing else.
std::optional<double> parseDouble(std::string_view text);
std::optional<long long> parseInteger(std::string_view text, long long min, long long max);

}  // namespace qorv
