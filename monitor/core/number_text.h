// How the application writes a number: decimal point, at most 15 significant digits,
// no trailing zeros, no exponent; and how it reads the fields of its files.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace qorv {

// "3.2", "-12.03", "4500", "0".
std::string numberText(double value);

// text without the blanks (spaces, tabs, line ends) around it.
std::string_view trimmed(std::string_view text);

// Strict readers for file fields: blanks around the number are allowed, nothing else.
std::optional<double> parseDouble(std::string_view text);
std::optional<long long> parseInteger(std::string_view text, long long min, long long max);

}  // namespace qorv
