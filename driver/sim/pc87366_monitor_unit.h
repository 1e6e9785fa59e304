// A PC87366 voltage or temperature monitor: one block of 16 ports. +0x09 selects a
// channel, and +0x0A..+0x0F then belong to that channel: +0x0A status, +0x0B value,
// +0x0C..+0x0E limits. Status: writing bit 0 starts a conversion; bit 7 marks it done,
// reading 0 on the first poll after the start and 1 from then on, until a write with bit 7
// set clears it. Channel numbers the unit does not measure (the temperature unit's setup
// bank 0x0F among them) are plain storage. Ports below +0x09 store what is written.
#pragma once

#include <array>
#include <cstdint>
#include <functional>

namespace qvnbdrv::sim {

class Pc87366MonitorUnit {
public:
    // The measured byte of a channel at a time.
    using Source = std::function<uint8_t(int channel, double seconds)>;

    Pc87366MonitorUnit(int channels, Source source);

    uint8_t read(uint8_t offset, double seconds);
    void write(uint8_t offset, uint8_t value, double seconds);

private:
    static constexpr int kBanks = 16;
    static constexpr int kBankedFirst = 0x0A;

    enum class Conversion { Idle, Running, Done };

    struct Channel {
        std::array<uint8_t, 16 - kBankedFirst> ports{};
        Conversion conversion = Conversion::Idle;
    };

    Channel& selected();
    bool measured() const;

    int channels_;
    Source source_;
    std::array<uint8_t, kBankedFirst> ports_{};
    std::array<Channel, kBanks> banks_{};
};

}  // namespace qvnbdrv::sim
