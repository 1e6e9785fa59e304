#include "pc87366_monitor_unit.h"

namespace qvnbdrv::sim {

namespace {

constexpr uint8_t kChannelSelect = 0x09;
constexpr uint8_t kStatus = 0x0A;
constexpr uint8_t kValue = 0x0B;
constexpr uint8_t kStart = 0x01;  // status bit 0, written: start a conversion
constexpr uint8_t kDone = 0x80;   // status bit 7: conversion done; written 1: cleared
constexpr uint8_t kBankMask = 0x0F;

}  // namespace

Pc87366MonitorUnit::Pc87366MonitorUnit(int channels, Source source) : channels_(channels), source_(std::move(source)) {}

Pc87366MonitorUnit::Channel& Pc87366MonitorUnit::selected() { return banks_[ports_[kChannelSelect] & kBankMask]; }

bool Pc87366MonitorUnit::measured() const { return ports_[kChannelSelect] < channels_; }

uint8_t Pc87366MonitorUnit::read(uint8_t offset, double seconds) {
    offset &= 0x0F;
    if (offset < kBankedFirst) return ports_[offset];
    Channel& ch = selected();
    if (measured() && offset == kValue) return source_(ports_[kChannelSelect], seconds);
    if (measured() && offset == kStatus) {
        // A conversion takes one poll: the first look finds it busy, the next finds it done.
        const bool done = ch.conversion == Conversion::Done;
        if (ch.conversion == Conversion::Running) ch.conversion = Conversion::Done;
        return uint8_t((ch.ports[kStatus - kBankedFirst] & ~kDone) | (done ? kDone : 0));
    }
    return ch.ports[offset - kBankedFirst];
}

void Pc87366MonitorUnit::write(uint8_t offset, uint8_t value, double) {
    offset &= 0x0F;
    if (offset < kBankedFirst) {
        ports_[offset] = value;
        return;
    }
    Channel& ch = selected();
    if (measured() && offset == kValue) return;  // the converter owns the value
    if (measured() && offset == kStatus) {
        if (value & kDone) ch.conversion = Conversion::Idle;
        if (value & kStart) ch.conversion = Conversion::Running;
        ch.ports[kStatus - kBankedFirst] = uint8_t(value & ~kDone);
        return;
    }
    ch.ports[offset - kBankedFirst] = value;
}

}  // namespace qvnbdrv::sim
