// The system-call seam of the hardware bus: every call that touches a device node goes
// through SystemCalls, so the bus runs unchanged against fake chips in tests.
//
// Errors come back in the result rather than through errno: a negative result is the
// negated errno of the failed call (the kernel's own convention), so nothing between the
// call and the check, a log line for instance, can overwrite the cause.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <string>

namespace qvnbdrv {

class SystemCalls {
public:
    virtual ~SystemCalls() = default;

    // A file descriptor, or -errno.
    virtual int open(const std::string& path, int flags) = 0;
    // 0, or -errno.
    virtual int close(int fd) = 0;
    // The ioctl's non-negative result, or -errno. The argument is what the kernel sees: a
    // plain number (I2C_SLAVE takes the address itself) or a pointer converted to one
    // (I2C_SMBUS takes a struct i2c_smbus_ioctl_data*).
    virtual int ioctl(int fd, unsigned long request, unsigned long argument) = 0;
    // Bytes moved, or -errno.
    virtual ssize_t pread(int fd, void* buffer, size_t count, off_t offset) = 0;
    virtual ssize_t pwrite(int fd, const void* buffer, size_t count, off_t offset) = 0;
};

// The real calls. EINTR is retried here so the bus never sees it.
class PosixSystemCalls final : public SystemCalls {
public:
    int open(const std::string& path, int flags) override;
    int close(int fd) override;
    int ioctl(int fd, unsigned long request, unsigned long argument) override;
    ssize_t pread(int fd, void* buffer, size_t count, off_t offset) override;
    ssize_t pwrite(int fd, const void* buffer, size_t count, off_t offset) override;
};

// The text of an errno value ("Permission denied"), for log lines.
std::string errorText(int error);

}  // namespace qvnbdrv
