// The driver's request table: control codes and the exact buffer sizes of each request.
// The kernel driver on Windows and qvnbdrv on Linux accept these and nothing else.
#pragma once

#include <array>
#include <cstdint>

namespace qvnhwm::request {

// Device type 0x22, buffered transfer, any access: (type << 16) | (function << 2).
constexpr uint32_t controlCode(uint32_t function) { return (0x22u << 16) | (function << 2); }

inline constexpr uint32_t kChooseHostKind = controlCode(0x990);   // 0x222640 SMBus host family
inline constexpr uint32_t kChooseHostValue = controlCode(0x991);  // 0x222644 host choice, second word
inline constexpr uint32_t kSmbusReadByte = controlCode(0x992);    // 0x222648 read-byte-data
inline constexpr uint32_t kSmbusWriteByte = controlCode(0x993);   // 0x22264C write-byte-data
inline constexpr uint32_t kReadIndexed = controlCode(0x995);      // 0x222654 index/data pair read
inline constexpr uint32_t kWriteIndexed = controlCode(0x996);     // 0x222658 index/data pair write
inline constexpr uint32_t kReadPort = controlCode(0x997);         // 0x22265C single port read
inline constexpr uint32_t kWritePort = controlCode(0x998);        // 0x222660 single port write

inline constexpr uint32_t kHostChoiceSize = 16;  // both host-choice requests, in and out
inline constexpr uint32_t kSmbusInSize = 4;      // slave, command, data, unused
inline constexpr uint32_t kPortInSize = 8;       // indexed and plain port requests
inline constexpr uint32_t kByteOutSize = 4;      // byte 0 carries a read's data

// Additions of the Linux service, outside the driver's device type: a client brackets one
// operation of the library (an Init, one reading, one fan operation) in a hold, and the
// service serves no other client's request inside it. Both carry no buffers. A server that
// does not know them answers ok 0, and the library then goes on without holds.
inline constexpr uint32_t kBeginOperation = 0x51560001;  // granted (ok 1) once no other client holds
inline constexpr uint32_t kEndOperation = 0x51560002;    // releases the hold
// A chain: the u32 count in its input names how many of the connection's next requests
// (holds apart) go together. Once one of them fails, the service answers the rest with
// ok 0 and zeroed output and performs none of them, so a client may send them all in one
// write and the bus sees what it would see from the client waiting on each. A server that
// does not know chains answers ok 0 and performs every request as it comes.
inline constexpr uint32_t kChainRequests = 0x51560003;
inline constexpr uint32_t kChainInSize = 4;
inline constexpr uint32_t kMaxChainLength = 16;

struct Shape {
    uint32_t code;
    uint32_t inLen;
    uint32_t outLen;
};

inline constexpr std::array<Shape, 8> kShapes{{
    {kChooseHostKind, kHostChoiceSize, kHostChoiceSize},
    {kChooseHostValue, kHostChoiceSize, kHostChoiceSize},
    {kSmbusReadByte, kSmbusInSize, kByteOutSize},
    {kSmbusWriteByte, kSmbusInSize, kByteOutSize},
    {kReadIndexed, kPortInSize, kByteOutSize},
    {kWriteIndexed, kPortInSize, kByteOutSize},
    {kReadPort, kPortInSize, kByteOutSize},
    {kWritePort, kPortInSize, kByteOutSize},
}};

// The shape of a known request code, or nullptr.
constexpr const Shape* shapeOf(uint32_t code) {
    for (const Shape& s : kShapes)
        if (s.code == code) return &s;
    return nullptr;
}

// Little-endian 32-bit fields inside request buffers.
inline void putU32(uint8_t* at, uint32_t v) {
    at[0] = uint8_t(v);
    at[1] = uint8_t(v >> 8);
    at[2] = uint8_t(v >> 16);
    at[3] = uint8_t(v >> 24);
}
inline uint32_t getU32(const uint8_t* at) {
    return uint32_t(at[0]) | uint32_t(at[1]) << 8 | uint32_t(at[2]) << 16 | uint32_t(at[3]) << 24;
}

}  // namespace qvnhwm::request
