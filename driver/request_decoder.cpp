#include "request_decoder.h"

#include <algorithm>

#include "driver_requests.h"

namespace qvnbdrv {

namespace rq = qvnhwm::request;

bool RequestDecoder::refuse(EventKind kind, const Peer& peer, const std::string& reason) {
    log_.refusal(kind, peer, "refused " + reason);
    return false;
}

bool RequestDecoder::failed(const std::string& what) {
    log_.debug(what + " failed on the bus");
    return false;
}

bool RequestDecoder::handle(const Peer& peer, uint32_t code, std::span<const uint8_t> in, std::span<uint8_t> out) {
    std::fill(out.begin(), out.end(), 0);
    const rq::Shape* shape = rq::shapeOf(code);
    if (!shape) return refuse(EventKind::UnknownCode, peer, "unknown request code " + hex(code, 6));
    if (in.size() != shape->inLen || out.size() != shape->outLen)
        return refuse(EventKind::BadSize, peer,
                      "request " + hex(code, 6) + " with " + std::to_string(in.size()) + " input and " +
                          std::to_string(out.size()) + " output bytes; it takes " + std::to_string(shape->inLen) +
                          " and " + std::to_string(shape->outLen));

    switch (code) {
        case rq::kChooseHostKind: {
            const uint32_t family = rq::getU32(in.data());
            if (!policy_.allowsHostFamily(family))
                return refuse(EventKind::HostFamily, peer,
                              "SMBus host family " + std::to_string(family) + ": not this board's host");
            // The library starts every session with the host choice: a good moment for the
            // Super-I/O units still closed to be asked again.
            policy_.relearn();
            return bus_.chooseHost(family) || failed("host choice");
        }
        case rq::kChooseHostValue: return bus_.setHostValue(rq::getU32(in.data()));
        case rq::kSmbusReadByte:
        case rq::kSmbusWriteByte: {
            const uint8_t address = in[0], command = in[1];
            if (!policy_.allowsSmbus(address))
                return refuse(EventKind::SmbusAddress, peer,
                              "SMBus address " + hex(address) + ": not a chip of this board");
            if (code == rq::kSmbusWriteByte)
                return bus_.smbusWrite(address, command, in[2]) || failed("SMBus write to " + hex(address));
            uint8_t data = 0;
            if (!bus_.smbusRead(address, command, data)) return failed("SMBus read from " + hex(address));
            out[0] = data;
            return true;
        }
        case rq::kReadIndexed:
        case rq::kWriteIndexed: {
            const uint32_t port = rq::getU32(in.data() + 4);
            const uint8_t reg = in[0], value = in[1];
            if (!policy_.allowsIndexed(port))
                return refuse(EventKind::IndexPair, peer,
                              "index/data pair at " + hex(port, 3) + ": not a chip of this board");
            if (code == rq::kWriteIndexed) {
                if (!policy_.allowsIndexedWrite(port, reg, value))
                    return refuse(EventKind::SuperioRegister, peer,
                                  "write of " + hex(value) + " to configuration register " + hex(reg) + " at " +
                                      hex(port, 3) + ": not a monitor device selection");
                return bus_.writeIndexed(port, reg, value) || failed("indexed write at " + hex(port, 3));
            }
            if (!policy_.allowsIndexedRead(port, reg))
                return refuse(EventKind::SuperioRegister, peer,
                              "read of configuration register " + hex(reg) + " at " + hex(port, 3) +
                                  ": not a monitor base register");
            uint8_t data = 0;
            if (!bus_.readIndexed(port, reg, data)) return failed("indexed read at " + hex(port, 3));
            out[0] = data;
            return true;
        }
        case rq::kReadPort:
        case rq::kWritePort: {
            const uint32_t port = rq::getU32(in.data());
            if (!policy_.allowsPort(port))
                return refuse(EventKind::Port, peer, "I/O port " + hex(port, 3) + ": not a port of this board's chips");
            if (code == rq::kWritePort) return bus_.writePort(port, in[4]) || failed("write of port " + hex(port, 3));
            uint8_t data = 0;
            if (!bus_.readPort(port, data)) return failed("read of port " + hex(port, 3));
            out[0] = data;
            return true;
        }
    }
    return refuse(EventKind::UnknownCode, peer, "unknown request code " + hex(code, 6));
}

}  // namespace qvnbdrv
