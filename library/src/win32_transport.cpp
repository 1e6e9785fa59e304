// Requests to the kernel driver through its device, on Windows.
#include <windows.h>

#include "device_transport.h"

namespace qvnhwm {

namespace {

// Opened without sharing, the device has one client at a time: operations need no
// bracket, so beginOperation and endOperation keep their defaults.
class Win32Transport final : public DeviceTransport {
public:
    ~Win32Transport() override { close(); }

    bool open() override {
        handle_ = CreateFileA("\\\\.\\QVNBDrv", GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
        return handle_ != INVALID_HANDLE_VALUE;
    }

    bool close() override {
        if (handle_ == INVALID_HANDLE_VALUE) return true;
        if (!CloseHandle(handle_)) return false;
        handle_ = INVALID_HANDLE_VALUE;
        return true;
    }

    bool control(uint32_t code, const void* in, uint32_t inLen, void* out, uint32_t outLen) override {
        DWORD returned = 0;
        return DeviceIoControl(handle_, code, const_cast<void*>(in), inLen, out, outLen, &returned, nullptr) != 0;
    }

private:
    HANDLE handle_ = INVALID_HANDLE_VALUE;
};

}  // namespace

std::unique_ptr<DeviceTransport> makePlatformTransport() { return std::make_unique<Win32Transport>(); }

}  // namespace qvnhwm
