#include "fake_board.h"

#include <cstdio>
#include <cstring>

#include "driver_requests.h"

namespace qvnhwm::testing {

namespace rq = request;

void FakeBoard::set(Space space, uint32_t address, uint8_t reg, uint8_t value) {
    values_[{space, address, reg}] = value;
    scripts_.erase({space, address, reg});
}

void FakeBoard::store(Space space, uint32_t address, uint8_t reg, uint8_t value) {
    values_[{space, address, reg}] = value;
}

void FakeBoard::script(Space space, uint32_t address, uint8_t reg, std::vector<uint8_t> values) {
    scripts_[{space, address, reg}] = std::deque<uint8_t>(values.begin(), values.end());
}

uint8_t FakeBoard::get(Space space, uint32_t address, uint8_t reg) const {
    auto it = values_.find({space, address, reg});
    return it == values_.end() ? 0 : it->second;
}

std::optional<uint8_t> FakeBoard::readRegister(Space space, uint32_t address, uint8_t reg) {
    const Key key{space, address, reg};
    if (auto s = scripts_.find(key); s != scripts_.end() && !s->second.empty()) {
        const uint8_t v = s->second.front();
        if (s->second.size() > 1) s->second.pop_front();
        return v;
    }
    return get(space, address, reg);
}

bool FakeBoard::handle(uint32_t code, const void* inRaw, uint32_t inLen, void* outRaw, uint32_t outLen) {
    const auto* in = static_cast<const uint8_t*>(inRaw);
    auto* out = static_cast<uint8_t*>(outRaw);
    requests_.push_back({code, std::vector<uint8_t>(in, in + inLen), outLen});
    const size_t n = requests_.size();
    if ((failFrom_ && n >= *failFrom_) || (failOnly_ && n == *failOnly_)) return false;

    const rq::Shape* shape = rq::shapeOf(code);
    if (!shape || shape->inLen != inLen || shape->outLen != outLen) return false;
    std::memset(out, 0, outLen);

    switch (code) {
        case rq::kChooseHostKind: hostKind = rq::getU32(in); return true;
        case rq::kChooseHostValue: return true;
        case rq::kSmbusReadByte: out[0] = *readRegister(Space::Smbus, in[0], in[1]); return true;
        case rq::kSmbusWriteByte: store(Space::Smbus, in[0], in[1], in[2]); return true;
        case rq::kReadIndexed: out[0] = *readRegister(Space::Indexed, rq::getU32(in + 4), in[0]); return true;
        case rq::kWriteIndexed: store(Space::Indexed, rq::getU32(in + 4), in[0], in[1]); return true;
        case rq::kReadPort: out[0] = *readRegister(Space::Port, rq::getU32(in), 0); return true;
        case rq::kWritePort: store(Space::Port, rq::getU32(in), 0, in[4]); return true;
    }
    return false;
}

std::vector<std::string> FakeBoard::trace() const {
    std::vector<std::string> lines;
    char buf[64];
    for (const Request& r : requests_) {
        const uint8_t* in = r.input.data();
        const bool full = rq::shapeOf(r.code) && rq::shapeOf(r.code)->inLen == r.input.size();
        if (r.code == rq::kBeginOperation || r.code == rq::kEndOperation) {
            std::snprintf(buf, sizeof buf, "%s", r.code == rq::kBeginOperation ? "OB" : "OE");
        } else if (r.code == rq::kChainRequests && r.input.size() == rq::kChainInSize) {
            std::snprintf(buf, sizeof buf, "CH %u", rq::getU32(in));
        } else if (!full) {
            std::snprintf(buf, sizeof buf, "?? %X", r.code);
        } else {
            switch (r.code) {
                case rq::kChooseHostKind: std::snprintf(buf, sizeof buf, "HK %u", rq::getU32(in)); break;
                case rq::kChooseHostValue: std::snprintf(buf, sizeof buf, "HV %u", rq::getU32(in)); break;
                case rq::kSmbusReadByte: std::snprintf(buf, sizeof buf, "SR %02X %02X", in[0], in[1]); break;
                case rq::kSmbusWriteByte:
                    std::snprintf(buf, sizeof buf, "SW %02X %02X %02X", in[0], in[1], in[2]);
                    break;
                case rq::kReadIndexed: std::snprintf(buf, sizeof buf, "IR %X %02X", rq::getU32(in + 4), in[0]); break;
                case rq::kWriteIndexed:
                    std::snprintf(buf, sizeof buf, "IW %X %02X %02X", rq::getU32(in + 4), in[0], in[1]);
                    break;
                case rq::kReadPort: std::snprintf(buf, sizeof buf, "PR %X", rq::getU32(in)); break;
                case rq::kWritePort: std::snprintf(buf, sizeof buf, "PW %X %02X", rq::getU32(in), in[4]); break;
                default: std::snprintf(buf, sizeof buf, "?? %X", r.code);
            }
        }
        lines.emplace_back(buf);
    }
    return lines;
}

bool RecordingTransport::open() {
    ++opens;
    return openSucceeds;
}

bool RecordingTransport::close() {
    ++closes;
    return closeSucceeds;
}

bool RecordingTransport::control(uint32_t code, const void* in, uint32_t inLen, void* out, uint32_t outLen) {
    return board_.handle(code, in, inLen, out, outLen);
}

bool RecordingTransport::beginOperation() {
    if (!beginSucceeds) return false;
    ++begins;
    return true;
}

void RecordingTransport::endOperation() { ++ends; }

std::vector<std::string> registerTraffic(const std::vector<std::string>& trace) {
    std::vector<std::string> traffic;
    for (const std::string& line : trace) {
        char op[3] = {};
        unsigned address = 0, reg = 0, value = 0;
        if (std::sscanf(line.c_str(), "%2s %x %x %x", op, &address, &reg, &value) < 3) {
            traffic.push_back(line);
            continue;
        }
        char buf[32];
        if (op[1] == 'R')
            std::snprintf(buf, sizeof buf, "R %02X", reg);
        else
            std::snprintf(buf, sizeof buf, "W %02X %02X", reg, value);
        traffic.emplace_back(buf);
    }
    return traffic;
}

}  // namespace qvnhwm::testing
