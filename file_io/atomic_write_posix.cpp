#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "atomic_write.h"

namespace qorv::file_io {

namespace {

bool fail(WriteError& error, WriteStep step, int code) {
    error.step = step;
    error.reason = std::strerror(code);
    return false;
}

bool writeAll(int fd, std::string_view bytes) {
    size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + written, bytes.size() - written);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return false;
        if (n == 0) {
            errno = EIO;
            return false;
        }
        written += size_t(n);
    }
    return true;
}

std::string folderOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// The rename is only lasting once the folder's entry is on the disk too. A folder that
// cannot be synced (some file systems refuse) does not undo the write: the new file is
// already in place.
void syncFolder(const std::string& path) {
    const int fd = ::open(folderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

// A link is written through: the link stays and its target gets the new bytes. A path that
// does not resolve (a new file, a dangling link) is written as it is.
std::string resolvedTarget(const std::string& path) {
    char resolved[PATH_MAX];
    if (::realpath(path.c_str(), resolved) == nullptr) return path;
    return resolved;
}

// The replaced file's mode and group stay: a file the user closed to others stays closed.
// The owner is the writer's, as for any file it makes; the group is kept where the writer
// may set it, and the mode is set after the group, which can clear its set-group bit.
bool keepAccess(int fd, const std::string& path, unsigned newMode) {
    struct stat old {};
    if (::stat(path.c_str(), &old) != 0) return ::fchmod(fd, mode_t(newMode)) == 0;
    struct stat made {};
    const bool regroup = ::fstat(fd, &made) == 0 && made.st_gid != old.st_gid;
    // A writer outside the group may not give the file to it: the writer's group stays then.
    if (regroup && ::fchown(fd, uid_t(-1), old.st_gid) != 0) errno = 0;
    return ::fchmod(fd, old.st_mode & 07777) == 0;
}

}  // namespace

bool writeFileAtomically(const std::string& path, std::string_view bytes, unsigned mode, WriteError& error) {
    const std::string target = resolvedTarget(path);
    std::string temporary = target + ".XXXXXX";
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0) return fail(error, WriteStep::Create, errno);

    bool ok = writeAll(fd, bytes) && ::fsync(fd) == 0 && keepAccess(fd, target, mode);
    int code = errno;
    if (::close(fd) != 0 && ok) {
        ok = false;
        code = errno;
    }
    if (ok && ::rename(temporary.c_str(), target.c_str()) != 0) {
        ok = false;
        code = errno;
    }
    if (!ok) {
        ::unlink(temporary.c_str());
        return fail(error, WriteStep::Write, code);
    }
    syncFolder(target);
    return true;
}

}  // namespace qorv::file_io
