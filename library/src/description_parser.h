// Reads a board's hardware description: the southbridge and the monitor chips that sit on
// it. The description shares its file with the application's sensor list, so everything
// outside the <QVN> ... </MB> section, and every line without a tag of the parser's
// current state, is passed over.
#pragma once

#include <istream>
#include <optional>
#include <string_view>

#include "hardware_description.h"

namespace qvnhwm {

// Parses the description into description. True when the board block closed with </MB>;
// false at an unknown chip model or when the input ends first. The blocks read before a
// failure stay in description.
bool parseDescription(std::istream& in, HardwareDescription& description);

// The SMBus host family of a southbridge name, ignoring letter case; nothing if unknown.
std::optional<SmbusHostKind> hostKindOf(std::string_view southbridge);

}  // namespace qvnhwm
