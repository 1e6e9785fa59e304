// The readings for people: one line per sensor with its name, reading (or "Read Failed"),
// unit as the board file gives it, low and high threshold, and "!" when the reading lies
// outside them. Lines end without blanks.
#pragma once

#include <string>

#include "reading_pass.h"

namespace qorv {

// With stamped, each line begins with the pass's time (for --watch).
std::string textLines(const ReadingPass& pass, bool stamped);

}  // namespace qorv
