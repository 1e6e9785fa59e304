#include "driver_channel.h"

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

namespace {

// A request of the table with zeroed buffers of its exact sizes.
DriverRequest shaped(uint32_t code) {
    const rq::Shape* shape = rq::shapeOf(code);
    DriverRequest r;
    r.code = code;
    r.inLen = shape->inLen;
    r.outLen = shape->outLen;
    return r;
}

DriverRequest portRequest(uint32_t code, uint32_t port, uint8_t value) {
    DriverRequest r = shaped(code);
    rq::putU32(r.in.data(), port);
    r.in[4] = value;
    return r;
}

}  // namespace

bool DriverChannel::send(DriverRequest& r) {
    if (!open_) return false;
    return transport_->control(r.code, r.in.data(), r.inLen, r.out.data(), r.outLen);
}

bool DriverChannel::Chain(std::span<DriverRequest> requests) {
    if (!open_) return false;
    return transport_->controlChain(requests);
}

DriverRequest DriverChannel::smbusRead(uint8_t slaveAddress, uint8_t command) {
    DriverRequest r = shaped(rq::kSmbusReadByte);
    r.in[0] = slaveAddress;
    r.in[1] = command;
    return r;
}

DriverRequest DriverChannel::smbusWrite(uint8_t slaveAddress, uint8_t command, uint8_t data) {
    DriverRequest r = shaped(rq::kSmbusWriteByte);
    r.in[0] = slaveAddress;
    r.in[1] = command;
    r.in[2] = data;
    return r;
}

DriverRequest DriverChannel::readIndexed(uint32_t indexPort, uint8_t index) {
    DriverRequest r = shaped(rq::kReadIndexed);
    r.in[0] = index;
    rq::putU32(r.in.data() + 4, indexPort);
    return r;
}

DriverRequest DriverChannel::writeIndexed(uint32_t indexPort, uint8_t index, uint8_t data) {
    DriverRequest r = readIndexed(indexPort, index);
    r.code = rq::kWriteIndexed;
    r.in[1] = data;
    return r;
}

bool DriverChannel::ChooseSmbusHost(int32_t kind, int32_t value) {
    if (!open_) return false;
    const uint32_t family = kind == kHostAmd ? kHostAmd : kind == kHostIntel ? kHostIntel : kHostServerWorks;
    DriverRequest r = shaped(rq::kChooseHostKind);
    rq::putU32(r.in.data(), family);
    if (!send(r)) return false;
    r = shaped(rq::kChooseHostValue);
    rq::putU32(r.in.data(), uint32_t(value));
    return send(r);
}

bool DriverChannel::SmbusReadByte(uint8_t slaveAddress, uint8_t command, uint8_t& data) {
    DriverRequest r = smbusRead(slaveAddress, command);
    if (!send(r)) return false;
    data = r.out[0];
    return true;
}

bool DriverChannel::SmbusWriteByte(uint8_t slaveAddress, uint8_t command, uint8_t data) {
    DriverRequest r = smbusWrite(slaveAddress, command, data);
    return send(r);
}

bool DriverChannel::ReadIndexed(uint32_t indexPort, uint8_t index, uint8_t& data) {
    DriverRequest r = readIndexed(indexPort, index);
    if (!send(r)) return false;
    data = r.out[0];
    return true;
}

bool DriverChannel::WriteIndexed(uint32_t indexPort, uint8_t index, uint8_t data) {
    DriverRequest r = writeIndexed(indexPort, index, data);
    return send(r);
}

bool DriverChannel::ReadPort(uint32_t port, uint8_t mask, uint8_t& data) {
    DriverRequest r = portRequest(rq::kReadPort, port, 0);
    if (!send(r)) return false;
    data = r.out[0] & mask;
    return true;
}

bool DriverChannel::WritePort(uint32_t port, uint8_t value, uint8_t mask) {
    DriverRequest r = portRequest(rq::kWritePort, port, value & mask);
    return send(r);
}

}  // namespace qvnhwm
