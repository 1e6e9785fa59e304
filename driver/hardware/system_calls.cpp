#include "system_calls.h"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace qvnbdrv {

// Pointers travel through ioctl as unsigned long, as the kernel receives them.
static_assert(sizeof(unsigned long) == sizeof(void*));

namespace {

// Runs a call until it is not interrupted; returns its result or -errno.
template <typename Call>
auto retrying(Call call) -> decltype(call()) {
    for (;;) {
        const auto result = call();
        if (result >= 0) return result;
        if (errno != EINTR) return -static_cast<decltype(result)>(errno);
    }
}

}  // namespace

int PosixSystemCalls::open(const std::string& path, int flags) {
    return retrying([&] { return ::open(path.c_str(), flags); });
}

int PosixSystemCalls::close(int fd) {
    // Linux releases the descriptor even when close reports EINTR; retrying could close a
    // descriptor another thread has just been given.
    if (::close(fd) == 0) return 0;
    return errno == EINTR ? 0 : -errno;
}

int PosixSystemCalls::ioctl(int fd, unsigned long request, unsigned long argument) {
    return retrying([&] { return ::ioctl(fd, request, argument); });
}

ssize_t PosixSystemCalls::pread(int fd, void* buffer, size_t count, off_t offset) {
    return retrying([&] { return ::pread(fd, buffer, count, offset); });
}

ssize_t PosixSystemCalls::pwrite(int fd, const void* buffer, size_t count, off_t offset) {
    return retrying([&] { return ::pwrite(fd, buffer, count, offset); });
}

std::string errorText(int error) {
    char buffer[256];
    // The GNU strerror_r, which returns the text (possibly not in buffer).
    return ::strerror_r(error, buffer, sizeof buffer);
}

}  // namespace qvnbdrv
