// Removes what an interrupted writeFileAtomically leaves: temporaries named exactly like its
// own, the file's name, a dot and six letters or digits, beside the file (beside its target
// when the file is a link). Nothing else in the folder is touched.
#pragma once

#include <string>

namespace qorv::file_io {

// The number of leftovers removed.
int removeStaleTemporaries(const std::string& path);

}  // namespace qorv::file_io
