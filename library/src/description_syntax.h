// The lexical rules of the hardware description: line cleaning, tags matched by prefix
// ignoring letter case, and decimal numbers read the forgiving way.
#pragma once

#include <cstdint>
#include <string_view>

namespace qvnhwm::syntax {

// Longest line the reader hands on; longer lines arrive as several pieces.
inline constexpr size_t kMaxLineLength = 255;

// Leading blanks skipped, a "//" comment dropped, trailing blanks removed.
std::string_view cleanLine(std::string_view raw);

bool equalsIgnoreCase(std::string_view a, std::string_view b);
bool startsWithIgnoreCase(std::string_view text, std::string_view prefix);

// A cleaned line carries a tag when it begins with it; its value is what follows.
inline bool carriesTag(std::string_view line, std::string_view tag) { return startsWithIgnoreCase(line, tag); }
inline std::string_view tagValue(std::string_view line, std::string_view tag) { return line.substr(tag.size()); }

// Leading blanks, one sign, digits up to the first other character; no digits give 0.
// Values beyond the type's range saturate.
int32_t parseSigned(std::string_view text);
uint32_t parseUnsigned(std::string_view text);

}  // namespace qvnhwm::syntax
