// The readings for programs: one JSON document per pass, on one line, as
// reading.schema.json describes it.
#pragma once

#include <string>

#include "reading_pass.h"

namespace qorv {

// The document's "schema": raised with any change to the document's keys or meanings.
inline constexpr int kReadingSchemaVersion = 1;

// The document, ending with a line feed.
std::string jsonLine(const ReadingPass& pass);

}  // namespace qorv
