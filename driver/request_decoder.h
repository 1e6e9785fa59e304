// Turns one request of the driver protocol into one Bus operation, after checking its
// code, its exact buffer sizes and the access policy. Every refusal is an answer of ok 0
// and a log line naming the client, rate-limited per kind of event.
#pragma once

#include <cstdint>
#include <span>

#include "access_policy.h"
#include "bus.h"
#include "logger.h"
#include "peer.h"

namespace qvnbdrv {

class RequestDecoder {
public:
    RequestDecoder(Bus& bus, AccessPolicy& policy, Logger& log) : bus_(bus), policy_(policy), log_(log) {}

    // Answers one request; output (out_len bytes) is zeroed unless the request succeeds.
    // peer is the client that sent it, named in every refusal.
    bool handle(const Peer& peer, uint32_t code, std::span<const uint8_t> input, std::span<uint8_t> output);

private:
    bool refuse(EventKind kind, const Peer& peer, const std::string& reason);
    bool failed(const std::string& what);

    Bus& bus_;
    AccessPolicy& policy_;
    Logger& log_;
};

}  // namespace qvnbdrv
