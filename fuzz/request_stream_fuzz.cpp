// Arbitrary request streams from four clients through the service's dispatcher (frames,
// holds, turns), the request decoder and the access policy, onto a bus that checks every operation it sees against what the board
// description and the unit bases the hardware reported allow. The check is worked out here
// on its own from the description's text, not from the policy: whatever a client sends
// first, nothing outside it may reach the bus.
//
// Input: a header, then records.
//   byte 0      bit 0 which board; bits 1-3 every how many operations the bus fails once
//               clients are served (0 never)
//   bytes 1-2   which of the operations before any client fails (bit n, operation n)
//   bytes 3-8   base high and low bytes the configuration registers report for the fan,
//               voltage and temperature units
//   records     byte 0: client (bits 0-1), sizes (bits 2-3: 3 means two size bytes follow,
//               else the code's own sizes), what happens (bits 4-5: 0 the frame arrives
//               whole, 1 in two pieces with a round served between them, 2 the client
//               disconnects and connects again first, 3 time passes first, then the frame);
//               byte 1: code (below 0xF8 one of the eight, 0xF8-0xFD the hold codes and
//               their neighbours, else four code bytes follow); then the input bytes
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include <chrono>
#include <deque>

#include "access_policy.h"
#include "board_description.h"
#include "dispatcher.h"
#include "driver_requests.h"
#include "logger.h"
#include "request_decoder.h"

namespace {

namespace rq = qvnhwm::request;
using qvnbdrv::Bus;

// What one board allows, written out by hand next to its description.
struct Allowed {
    const char* description;
    uint32_t hostFamily;
    std::set<uint8_t> smbus;
    uint32_t monitorPair;  // a W83627HF_2: any register
    uint32_t configPair;   // the PC87366: the monitor devices' selection and base reads only
    bool boardSwitch;      // port 0x50F
};

const Allowed kBoards[] = {
    {"<QVN>\n<MB>\n<MODEL>M4730\n<SB>CSB5\n"
     "<HWM>\n<MODEL>W83782D\n<SLVADD>90\n</HWM>\n"
     "<HWM>\n<MODEL>W83627HF\n<SLVADD>88\n</HWM>\n"
     "<HWM>\n<MODEL>W83627HF_2\n<LPCADD>656\n</HWM>\n"
     "<HWM>\n<MODEL>N87366\n<IDXREG>46\n</HWM>\n"
     "<HWM>\n<MODEL>IntelXeon\n<SLVADD>48\n<BOARD>4730\n</HWM>\n"
     "<HWM>\n<MODEL>IntelXeon\n<SLVADD>50\n<BOARD>4730\n</HWM>\n</MB>\n",
     2,
     {0x5A, 0x58, 0x30, 0x32},
     0x290,
     0x2E,
     true},
    // The configuration pair where a reported unit block could cover it.
    {"<QVN>\n<MB>\n<MODEL>M4410\n<SB>ICH2\n"
     "<HWM>\n<MODEL>W83782D\n<SLVADD>92\n</HWM>\n"
     "<HWM>\n<MODEL>W83627HF_2\n<LPCADD>1600\n</HWM>\n"
     "<HWM>\n<MODEL>N87366\n<IDXREG>1544\n</HWM>\n"
     "<HWM>\n<MODEL>IntelXeon\n<SLVADD>52\n<BOARD>4430\n</HWM>\n</MB>\n",
     1,
     {0x5C, 0x34},
     0x640,
     0x608,
     false},
};

constexpr uint8_t kDevices[] = {0x09, 0x0D, 0x0E};
constexpr uint32_t kSwitchPort = 0x50F;

[[noreturn]] void violation(const char* what, uint32_t a, uint32_t b = 0) {
    std::fprintf(stderr, "policy violation: %s 0x%X 0x%X\n", what, a, b);
    std::abort();
}

class CheckingBus final : public Bus {
public:
    CheckingBus(const Allowed& allowed, const uint8_t* bases, uint16_t startupFailures, uint8_t failEvery)
        : allowed_(allowed), startupFailures_(startupFailures), failEvery_(failEvery) {
        for (int i = 0; i < 3; ++i) {
            config_[kDevices[i]][0x60] = bases[2 * i];
            config_[kDevices[i]][0x61] = bases[2 * i + 1];
            const uint32_t base = uint32_t(bases[2 * i]) << 8 | bases[2 * i + 1];
            if (usable(base)) units_.push_back(base);
        }
    }

    void clientsConnected() { serving_ = true; }

    bool chooseHost(uint32_t family) override {
        if (family != allowed_.hostFamily) violation("host family", family);
        return answer();
    }
    bool smbusRead(uint8_t address, uint8_t, uint8_t& data) override {
        if (!allowed_.smbus.count(address)) violation("SMBus read", address);
        data = 0x55;
        return answer();
    }
    bool smbusWrite(uint8_t address, uint8_t, uint8_t) override {
        if (!allowed_.smbus.count(address)) violation("SMBus write", address);
        return answer();
    }
    bool readIndexed(uint32_t indexPort, uint8_t index, uint8_t& data) override {
        if (indexPort == allowed_.configPair) {
            if (index != 0x60 && index != 0x61) violation("configuration read", index);
            data = config_[selected_][index];
        } else if (indexPort != allowed_.monitorPair) {
            violation("indexed read", indexPort);
        }
        return answer();
    }
    bool writeIndexed(uint32_t indexPort, uint8_t index, uint8_t data) override {
        if (indexPort == allowed_.configPair) {
            if (index != 0x07 || (data != 0x09 && data != 0x0D && data != 0x0E))
                violation("configuration write", index, data);
            selected_ = data;
        } else if (indexPort != allowed_.monitorPair) {
            violation("indexed write", indexPort);
        }
        return answer();
    }
    bool readPort(uint32_t port, uint8_t& data) override {
        checkPort(port);
        data = 0x80;
        return answer();
    }
    bool writePort(uint32_t port, uint8_t) override {
        checkPort(port);
        return answer();
    }

private:
    // A unit base the hardware reported that may be used: aligned to the unit's 16 ports,
    // above the legacy range, clear of the PCI configuration ports and the configuration pair.
    bool usable(uint32_t base) const {
        const uint32_t end = base + 0x10;
        return base % 0x10 == 0 && base >= 0x100 && end <= 0x10000 && (end <= 0xCF8 || base >= 0xD00) &&
               (end <= allowed_.configPair || base >= allowed_.configPair + 2);
    }
    void checkPort(uint32_t port) const {
        if (port == allowed_.configPair || port == allowed_.configPair + 1) violation("configuration pair port", port);
        if (allowed_.boardSwitch && port == kSwitchPort) return;
        for (uint32_t base : units_)
            if (port >= base && port < base + 0x10) return;
        violation("port", port);
    }
    bool answer() {
        ++operations_;
        if (!serving_) return operations_ > 16 || !(startupFailures_ >> (operations_ - 1) & 1);
        return failEvery_ == 0 || operations_ % failEvery_ != 0;
    }

    const Allowed& allowed_;
    std::map<uint8_t, std::map<uint8_t, uint8_t>> config_;
    std::vector<uint32_t> units_;
    uint8_t selected_ = 0;
    uint16_t startupFailures_;
    uint8_t failEvery_;
    bool serving_ = false;
    uint32_t operations_ = 0;
};

// The descriptions as the service loads them, from files written once.
const std::vector<qvnbdrv::BoardDescription>& descriptions() {
    static const std::vector<qvnbdrv::BoardDescription> loaded = [] {
        std::string folder = (std::filesystem::temp_directory_path() / "request-fuzz-XXXXXX").string();
        if (!mkdtemp(folder.data())) std::abort();
        std::vector<qvnbdrv::BoardDescription> boards;
        for (const Allowed& b : kBoards) {
            const std::string path = folder + "/board.txt";
            std::ofstream(path) << b.description;
            boards.push_back(qvnbdrv::BoardDescription::load(path));
        }
        std::filesystem::remove_all(folder);
        return boards;
    }();
    return loaded;
}

class Reader {
public:
    Reader(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    bool empty() const { return at_ >= size_; }
    uint8_t byte() { return at_ < size_ ? data_[at_++] : 0; }

private:
    const uint8_t* data_;
    size_t size_;
    size_t at_ = 0;
};

constexpr size_t kHeaderSize = 9;
constexpr uint32_t kMaxBufferSize = 40;

uint32_t requestCode(Reader& in) {
    const uint8_t selector = in.byte();
    if (selector < 0xF8) return rq::kShapes[selector % rq::kShapes.size()].code;
    if (selector < 0xFE) return rq::kBeginOperation + (selector - 0xF8) - 2;
    uint32_t code = 0;
    for (int i = 0; i < 4; ++i) code |= uint32_t(in.byte()) << (8 * i);
    return code;
}

// Takes every answer the client has; a refused or failed request must carry no output.
void takeAnswers(qvnbdrv::Dispatcher& dispatcher, qvnbdrv::ClientId id, std::deque<uint32_t>& outLens) {
    const std::span<const uint8_t> out = dispatcher.output(id);
    size_t at = 0;
    while (!outLens.empty() && out.size() - at >= 8 + outLens.front()) {
        const uint32_t ok = rq::getU32(out.data() + at);
        if (ok != 1)
            for (size_t i = 0; i < outLens.front(); ++i)
                if (out[at + 8 + i] != 0) violation("refusal or failure with output", uint32_t(id));
        at += 8 + outLens.front();
        outLens.pop_front();
    }
    dispatcher.sent(id, at);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < kHeaderSize) return 0;
    const Allowed& allowed = kBoards[data[0] & 1];
    const qvnbdrv::BoardDescription& board = descriptions()[data[0] & 1];
    CheckingBus bus(allowed, data + 3, uint16_t(data[1] | data[2] << 8), uint8_t(data[0] >> 1 & 7));

    std::ostream quiet(nullptr);
    qvnbdrv::Logger log(qvnbdrv::LogLevel::Error, quiet);
    qvnbdrv::AccessPolicy policy(board, bus, log);
    qvnbdrv::RequestDecoder decoder(bus, policy, log);
    bus.clientsConnected();

    auto now = std::chrono::steady_clock::time_point{} + std::chrono::hours(1);
    qvnbdrv::Dispatcher dispatcher(decoder, log, {}, [&now] { return now; });
    const qvnbdrv::Peer clients[] = {{1000, 101}, {1000, 102}, {1001, 103}, {0, 104}};
    std::deque<uint32_t> outLens[4];
    for (int id = 0; id < 4; ++id) dispatcher.add(id, clients[id]);
    const auto reconnect = [&](int id) {
        dispatcher.remove(id);
        outLens[id].clear();
        dispatcher.add(id, clients[id]);
    };

    Reader in(data + kHeaderSize, size - kHeaderSize);
    std::vector<uint8_t> frame;
    while (!in.empty()) {
        const uint8_t head = in.byte();
        const int id = head & 3;
        const int action = head >> 4 & 3;
        const uint32_t code = requestCode(in);
        uint32_t inLen = 0, outLen = 0;
        if ((head >> 2 & 3) == 3) {
            inLen = in.byte() % (kMaxBufferSize + 1);
            outLen = in.byte() % (kMaxBufferSize + 1);
        } else if (const rq::Shape* shape = rq::shapeOf(code)) {
            inLen = shape->inLen;
            outLen = shape->outLen;
        }
        frame.assign(12 + inLen, 0);
        rq::putU32(frame.data(), code);
        rq::putU32(frame.data() + 4, inLen);
        rq::putU32(frame.data() + 8, outLen);
        for (size_t i = 12; i < frame.size(); ++i) frame[i] = in.byte();

        if (action == 2) reconnect(id);
        if (action == 3) now += std::chrono::milliseconds(50 * (1 + (head >> 6)));
        const std::span<const uint8_t> bytes(frame);
        const size_t split = action == 1 ? bytes.size() / 2 : bytes.size();
        bool kept = dispatcher.receive(id, bytes.first(split));
        if (kept && split < bytes.size()) {
            dispatcher.serve();
            kept = dispatcher.receive(id, bytes.subspan(split));
        }
        if (!kept) {
            reconnect(id);
            continue;
        }
        outLens[id].push_back(outLen);
        dispatcher.serve();
        for (int c = 0; c < 4; ++c) takeAnswers(dispatcher, c, outLens[c]);
        for (qvnbdrv::ClientId gone : dispatcher.expired()) reconnect(gone);
    }
    // Whatever is still queued is served once the holds run out.
    for (int round = 0; round < 8; ++round) {
        now += qvnbdrv::kHoldBound;
        dispatcher.serve();
        for (int c = 0; c < 4; ++c) takeAnswers(dispatcher, c, outLens[c]);
    }
    return 0;
}
