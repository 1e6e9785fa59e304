#include "register_access.h"

#include <array>

#include "../driver_channel.h"
#include "../driver_requests.h"

namespace qvnhwm {

namespace {

// The steps as one chain of the driver's requests, made by request(step); longer runs
// than a chain may carry go step by step.
template <typename MakeRequest>
bool runAsChain(RegisterAccess& access, DriverChannel& channel, std::span<RegisterStep> steps, MakeRequest request) {
    std::array<DriverRequest, request::kMaxChainLength> chain;
    if (steps.size() > chain.size()) return access.RegisterAccess::run(steps);
    for (size_t i = 0; i < steps.size(); ++i) chain[i] = request(steps[i]);
    if (!channel.Chain(std::span(chain.data(), steps.size()))) return false;
    for (size_t i = 0; i < steps.size(); ++i)
        if (!steps[i].write) steps[i].value = chain[i].out[0];
    return true;
}

}  // namespace

bool RegisterAccess::run(std::span<RegisterStep> steps) {
    for (RegisterStep& step : steps)
        if (!(step.write ? write(step.reg, step.value) : read(step.reg, step.value))) return false;
    return true;
}

bool SmbusRegisterAccess::read(uint8_t reg, uint8_t& value) {
    return channel_.SmbusReadByte(slaveAddress_, reg, value);
}

bool SmbusRegisterAccess::write(uint8_t reg, uint8_t value) {
    return channel_.SmbusWriteByte(slaveAddress_, reg, value);
}

bool SmbusRegisterAccess::run(std::span<RegisterStep> steps) {
    return runAsChain(*this, channel_, steps, [this](const RegisterStep& s) {
        return s.write ? DriverChannel::smbusWrite(slaveAddress_, s.reg, s.value)
                       : DriverChannel::smbusRead(slaveAddress_, s.reg);
    });
}

bool IndexPortRegisterAccess::read(uint8_t reg, uint8_t& value) { return channel_.ReadIndexed(indexPort_, reg, value); }

bool IndexPortRegisterAccess::write(uint8_t reg, uint8_t value) {
    return channel_.WriteIndexed(indexPort_, reg, value);
}

bool IndexPortRegisterAccess::run(std::span<RegisterStep> steps) {
    return runAsChain(*this, channel_, steps, [this](const RegisterStep& s) {
        return s.write ? DriverChannel::writeIndexed(indexPort_, s.reg, s.value)
                       : DriverChannel::readIndexed(indexPort_, s.reg);
    });
}

}  // namespace qvnhwm
