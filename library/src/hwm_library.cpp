#include "hwm_library.h"

#include <new>
#include <sstream>

#include "bounded_file.h"
#include "description_parser.h"

namespace qvnhwm {

int32_t HwmLibrary::InitDLL(const char* path) {
    // The new registry is current even when what follows fails; the old chips go.
    registry_.reset();
    registry_.reset(new (std::nothrow) ChipRegistry);
    if (!registry_ || !path) return 0;

    {
        // A FIFO or a device would hang or flood the reading: only a regular file of bounded size.
        std::string bytes;
        if (qorv::file_io::readBoundedFile(path, bytes) != qorv::file_io::OpenFault::None) return 0;
        std::istringstream file(bytes);
        try {
            // The chips read before a failure are made all the same.
            HardwareDescription description;
            const bool parsed = parseDescription(file, description);
            registry_->fill(description, channel_);
            if (!parsed) return 0;
        } catch (const std::bad_alloc&) {
            return 0;
        }
    }

    if (!channel_.Open()) return 0;
    // The host choice and every chip's programme form one operation: no other client of
    // the service sees a half-programmed chip or chooses a host in between.
    const DriverChannel::Operation operation(channel_);
    if (!operation) return 0;

    const auto kind = registry_->southbridge ? hostKindOf(*registry_->southbridge) : std::nullopt;
    if (!kind) return 0;
    // The driver keeps its own idea of the host; its answer does not decide the start.
    channel_.ChooseSmbusHost(*kind, 0);

    for (size_t i = 0; i < registry_->count(); ++i)
        if (registry_->chip(i).Init() != 1) return 0;
    return 1;
}

int32_t HwmLibrary::ReleaseDLL() { return channel_.Close() ? 1 : 0; }

int32_t HwmLibrary::SetCurrentHwm(const char* id) {
    if (!registry_ || !id) return 0;
    registry_->current = registry_->find(id);
    return registry_->current ? 1 : 0;
}

MonitorChip* HwmLibrary::target() {
    if (!registry_ || !registry_->current || !channel_.IsOpen()) return nullptr;
    return registry_->current;
}

int32_t HwmLibrary::GetSensorValue(int32_t a1, int32_t a2, int32_t a3, int32_t a4, int32_t a5, int32_t a6,
                                   double* value) {
    MonitorChip* chip = target();
    if (!chip || !value) return 0;
    const DriverChannel::Operation operation(channel_);
    if (!operation) return 0;
    return chip->GetSensorValue(a1, a2, a3, a4, a5, a6, *value);
}

int32_t HwmLibrary::SetFanPWM(int32_t a1, int32_t a2, int32_t a3) {
    MonitorChip* chip = target();
    if (!chip) return 0;
    const DriverChannel::Operation operation(channel_);
    return operation ? chip->SetFanPWM(a1, a2, a3) : 0;
}

int32_t HwmLibrary::SetFanPWM2(int32_t a1, int32_t a2, int32_t a3, int32_t a4) {
    MonitorChip* chip = target();
    if (!chip) return 0;
    const DriverChannel::Operation operation(channel_);
    return operation ? chip->SetFanPWM2(a1, a2, a3, a4) : 0;
}

int32_t HwmLibrary::GetFanDuty(int32_t a1, uint8_t* duty) {
    MonitorChip* chip = target();
    if (!chip || !duty) return 0;
    const DriverChannel::Operation operation(channel_);
    return operation ? chip->GetFanDuty(a1, *duty) : 0;
}

HwmLibrary& theLibrary() {
    // Built at the first call and torn down at unload, which closes the channel.
    static HwmLibrary library(makePlatformTransport());
    return library;
}

}  // namespace qvnhwm
