#include "request_decoder.h"

#include <algorithm>

#include "driver_requests.h"

namespace qvnbdrv {

namespace rq = qvnhwm::request;

bool RequestDecoder::refuse(const std::string& key, const std::string& reason) {
    log_.once(LogLevel::Warning, "refused " + key, "refused " + reason);
    return false;
}

bool RequestDecoder::failed(const std::string& what) {
    log_.debug(what + " failed on the bus");
    return false;
}

bool RequestDecoder::handle(const Peer&, uint32_t code, std::span<const uint8_t> in, std::span<uint8_t> out) {
    std::fill(out.begin(), out.end(), 0);
    const rq::Shape* shape = rq::shapeOf(code);
    if (!shape) return refuse("code " + hex(code, 6), "unknown request code " + hex(code, 6));
    if (in.size() != shape->inLen || out.size() != shape->outLen)
        return refuse("size " + hex(code, 6),
                      "request " + hex(code, 6) + " with " + std::to_string(in.size()) + " input and " +
                          std::to_string(out.size()) + " output bytes; it takes " + std::to_string(shape->inLen) +
                          " and " + std::to_string(shape->outLen));

    switch (code) {
        case rq::kChooseHostKind: {
            const uint32_t family = rq::getU32(in.data());
            if (family > 2) return refuse("host " + std::to_string(family), "unknown SMBus host family " + std::to_string(family));
            // The library starts every session with the host choice: a good moment for a
            // Super-I/O that did not answer at start-up to be asked again.
            policy_.relearn();
            return bus_.chooseHost(family) || failed("host choice");
        }
        case rq::kChooseHostValue:
            return bus_.setHostValue(rq::getU32(in.data()));
        case rq::kSmbusReadByte:
        case rq::kSmbusWriteByte: {
            const uint8_t address = in[0], command = in[1];
            if (!policy_.allowsSmbus(address))
                return refuse("smbus " + hex(address), "SMBus address " + hex(address) + ": not a chip of this board");
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
            if (!policy_.allowsIndexed(port))
                return refuse("pair " + hex(port, 3), "index/data pair at " + hex(port, 3) + ": not a chip of this board");
            if (code == rq::kWriteIndexed)
                return bus_.writeIndexed(port, in[0], in[1]) || failed("indexed write at " + hex(port, 3));
            uint8_t data = 0;
            if (!bus_.readIndexed(port, in[0], data)) return failed("indexed read at " + hex(port, 3));
            out[0] = data;
            return true;
        }
        case rq::kReadPort:
        case rq::kWritePort: {
            const uint32_t port = rq::getU32(in.data());
            if (!policy_.allowsPort(port))
                return refuse("port " + hex(port, 3), "I/O port " + hex(port, 3) + ": not a port of this board's chips");
            if (code == rq::kWritePort) return bus_.writePort(port, in[4]) || failed("write of port " + hex(port, 3));
            uint8_t data = 0;
            if (!bus_.readPort(port, data)) return failed("read of port " + hex(port, 3));
            out[0] = data;
            return true;
        }
    }
    return refuse("code " + hex(code, 6), "unknown request code " + hex(code, 6));
}

}  // namespace qvnbdrv
