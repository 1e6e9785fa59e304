// A hardware-monitor chip on the board. Every kind fills the same five operations; the
// fan operations default to doing nothing successfully for kinds without fan control.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "../chip_kinds.h"

namespace qvnhwm {

class DriverChannel;

class MonitorChip {
public:
    MonitorChip(ChipKind kind, DriverChannel& channel) : kind_(kind), channel_(channel) {}
    virtual ~MonitorChip() = default;
    MonitorChip(const MonitorChip&) = delete;
    MonitorChip& operator=(const MonitorChip&) = delete;

    virtual int32_t Init() = 0;
    virtual int32_t GetSensorValue(int32_t a1, int32_t a2, int32_t a3, int32_t a4, int32_t a5, int32_t a6,
                                   double& value) = 0;
    virtual int32_t SetFanPWM(int32_t, int32_t, int32_t) { return 1; }
    virtual int32_t SetFanPWM2(int32_t, int32_t, int32_t, int32_t) { return 1; }
    virtual int32_t GetFanDuty(int32_t, uint8_t&) { return 1; }

    // Takes one cleaned line of the chip's description block. True when the line carried
    // one of this kind's setting tags (and the setting took its value).
    virtual bool configure(std::string_view line) = 0;

    const std::optional<std::string>& id() const { return id_; }
    void setId(std::optional<std::string> id) { id_ = std::move(id); }
    ChipKind kind() const { return kind_; }

protected:
    DriverChannel& channel() const { return channel_; }
    // The address a line gives when it carries the kind's address setting.
    std::optional<uint32_t> addressIn(std::string_view line) const;

private:
    std::optional<std::string> id_;
    ChipKind kind_;
    DriverChannel& channel_;
};

}  // namespace qvnhwm
