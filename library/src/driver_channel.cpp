#include "driver_channel.h"

#include <array>
#include <utility>

#include "driver_requests.h"

namespace qvnhwm {

namespace rq = request;

DriverChannel::DriverChannel(std::unique_ptr<DeviceTransport> transport) : transport_(std::move(transport)) {}

DriverChannel::~DriverChannel() { Close(); }

void DriverChannel::useTransport(std::unique_ptr<DeviceTransport> transport) {
    Close();
    open_ = false;
    transport_ = std::move(transport);
}

bool DriverChannel::Open() {
    // A second open replaces the first handle rather than leaking it.
    if (open_ && !Close()) return false;
    if (!transport_ || !transport_->open()) return false;
    open_ = true;
    return true;
}

bool DriverChannel::Close() {
    if (!open_) return true;
    if (!transport_->close()) return false;
    open_ = false;
    return true;
}

DriverChannel::Operation::Operation(DriverChannel& channel)
    : channel_(channel), begun_(channel.open_ && channel.transport_->beginOperation()) {}

DriverChannel::Operation::~Operation() {
    if (begun_ && channel_.open_) channel_.transport_->endOperation();
}

bool DriverChannel::send(uint32_t code, const uint8_t* in, uint32_t inLen, uint8_t* out, uint32_t outLen) {
    if (!open_) return false;
    return transport_->control(code, in, inLen, out, outLen);
}

bool DriverChannel::ChooseSmbusHost(int32_t kind, int32_t value) {
    if (!open_) return false;
    const uint32_t family = kind == kHostAmd ? kHostAmd : kind == kHostIntel ? kHostIntel : kHostServerWorks;
    std::array<uint8_t, rq::kHostChoiceSize> in{}, out{};
    rq::putU32(in.data(), family);
    if (!send(rq::kChooseHostKind, in.data(), in.size(), out.data(), out.size())) return false;
    in.fill(0);
    rq::putU32(in.data(), uint32_t(value));
    return send(rq::kChooseHostValue, in.data(), in.size(), out.data(), out.size());
}

bool DriverChannel::SmbusReadByte(uint8_t slaveAddress, uint8_t command, uint8_t& data) {
    std::array<uint8_t, rq::kSmbusInSize> in{slaveAddress, command, 0, 0};
    std::array<uint8_t, rq::kByteOutSize> out{};
    if (!send(rq::kSmbusReadByte, in.data(), in.size(), out.data(), out.size())) return false;
    data = out[0];
    return true;
}

bool DriverChannel::SmbusWriteByte(uint8_t slaveAddress, uint8_t command, uint8_t data) {
    std::array<uint8_t, rq::kSmbusInSize> in{slaveAddress, command, data, 0};
    std::array<uint8_t, rq::kByteOutSize> out{};
    return send(rq::kSmbusWriteByte, in.data(), in.size(), out.data(), out.size());
}

bool DriverChannel::ReadIndexed(uint32_t indexPort, uint8_t index, uint8_t& data) {
    std::array<uint8_t, rq::kPortInSize> in{index, 0};
    rq::putU32(in.data() + 4, indexPort);
    std::array<uint8_t, rq::kByteOutSize> out{};
    if (!send(rq::kReadIndexed, in.data(), in.size(), out.data(), out.size())) return false;
    data = out[0];
    return true;
}

bool DriverChannel::WriteIndexed(uint32_t indexPort, uint8_t index, uint8_t data) {
    std::array<uint8_t, rq::kPortInSize> in{index, data};
    rq::putU32(in.data() + 4, indexPort);
    std::array<uint8_t, rq::kByteOutSize> out{};
    return send(rq::kWriteIndexed, in.data(), in.size(), out.data(), out.size());
}

bool DriverChannel::ReadPort(uint32_t port, uint8_t mask, uint8_t& data) {
    std::array<uint8_t, rq::kPortInSize> in{};
    rq::putU32(in.data(), port);
    std::array<uint8_t, rq::kByteOutSize> out{};
    if (!send(rq::kReadPort, in.data(), in.size(), out.data(), out.size())) return false;
    data = out[0] & mask;
    return true;
}

bool DriverChannel::WritePort(uint32_t port, uint8_t value, uint8_t mask) {
    std::array<uint8_t, rq::kPortInSize> in{};
    rq::putU32(in.data(), port);
    in[4] = value & mask;
    std::array<uint8_t, rq::kByteOutSize> out{};
    return send(rq::kWritePort, in.data(), in.size(), out.data(), out.size());
}

}  // namespace qvnhwm
