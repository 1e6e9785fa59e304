// Replaces a file whole: the new bytes go to a temporary file beside it, reach the disk,
// and only then take the old file's name. A crash or a full disk at any moment leaves the
// old file or the new one, never half of either.
#pragma once

#include <string>
#include <string_view>

namespace qorv::file_io {

enum class WriteStep {
    Create,  // no temporary file could be made beside the target: the folder refuses
    Write,   // writing, syncing or renaming the temporary failed
};

struct WriteError {
    WriteStep step = WriteStep::Write;
    std::string reason;  // the system's words
};

// Writes bytes to path through path.XXXXXX; when path is a link, to the link's target through
// a temporary beside the target. A replaced file keeps its mode and, where permitted, its
// group; a new file gets mode (the permission bits; a system without them ignores it). False,
// with error, when the file could not be replaced; the old file is then untouched and no
// temporary stays behind.
bool writeFileAtomically(const std::string& path, std::string_view bytes, unsigned mode, WriteError& error);

}  // namespace qorv::file_io
