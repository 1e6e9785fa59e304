#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
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

}  // namespace

bool writeFileAtomically(const std::string& path, std::string_view bytes, unsigned mode, WriteError& error) {
    std::string temporary = path + ".XXXXXX";
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0) return fail(error, WriteStep::Create, errno);

    bool ok = writeAll(fd, bytes) && ::fsync(fd) == 0 && ::fchmod(fd, mode_t(mode)) == 0;
    int code = errno;
    if (::close(fd) != 0 && ok) {
        ok = false;
        code = errno;
    }
    if (ok && ::rename(temporary.c_str(), path.c_str()) != 0) {
        ok = false;
        code = errno;
    }
    if (!ok) {
        ::unlink(temporary.c_str());
        return fail(error, WriteStep::Write, code);
    }
    syncFolder(path);
    return true;
}

}  // namespace qorv::file_io
