// The service's scheduler, without sockets: turns each client's bytes into whole frames,
// serves them round-robin (one request, or one held operation, per client per turn) and
// keeps each client's answers until its socket takes them. The Server feeds it from its
// sockets; tests and the fuzz target drive it directly, with a clock of their own.
//
// A hold (kBeginOperation ... kEndOperation) makes one client the only one served, so no
// other client's request lands inside its operation. It is granted when no one else
// holds, its ok 1 going out only then, so a waiting client simply waits for its answer;
// it ends with End, with the client's disconnection, or when it has lasted kHoldBound.
//
// A chain (kChainRequests) makes the client's next requests, holds apart, one sequence:
// after the first that fails, the rest are answered ok 0 without reaching the bus.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <span>
#include <vector>

#include "logger.h"
#include "peer.h"
#include "request_decoder.h"

namespace qvnbdrv {

using TimePoint = std::chrono::steady_clock::time_point;
using Clock = std::function<TimePoint()>;
// Any number unique among the connected clients; the Server uses the descriptor.
using ClientId = int;

// No request of the protocol carries more than this in either direction; a header
// announcing more is no client of ours.
inline constexpr uint32_t kMaxBuffer = 64;
// Frames read ahead of the one being served. A pipelining client is not read further
// until its queue drains, rather than dropped.
inline constexpr size_t kMaxQueuedFrames = 64;
// Unsent answers above which a client is neither read nor served until its socket takes
// them: a client that never reads cannot make the service buffer without end.
inline constexpr size_t kOutputHighWater = 4096;
// The longest hold. The largest Init (M4420 and M4430, about 35 bus transactions) takes
// about 140 ms on a controller at 4 ms a transaction, a reading far less; a stuck holder
// blocks the others no longer than this.
inline constexpr std::chrono::milliseconds kHoldBound{500};
// A connection that sends no request (and takes no answer) for this long is closed; the
// library connects again before its next request.
inline constexpr std::chrono::milliseconds kIdleTimeout{60'000};
// A frame begun must be complete this long after its first byte.
inline constexpr std::chrono::milliseconds kHalfSentTimeout{5'000};

struct Timeouts {
    std::chrono::milliseconds hold = kHoldBound;
    std::chrono::milliseconds idle = kIdleTimeout;
    std::chrono::milliseconds halfSent = kHalfSentTimeout;
};

class Dispatcher {
public:
    Dispatcher(
        RequestDecoder& decoder, Logger& log, Timeouts timeouts = {},
        Clock clock = [] { return std::chrono::steady_clock::now(); });

    void add(ClientId id, const Peer& peer);
    // Forgets the client and ends its hold; unknown ids are ignored.
    void remove(ClientId id);

    // Takes bytes the client sent. False when the client is to be dropped (a frame
    // announcing more than kMaxBuffer; logged); the caller then closes it and calls remove.
    bool receive(ClientId id, std::span<const uint8_t> bytes);
    // False while the client's queue is full or its answers pile up: read no more from it.
    bool wantsInput(ClientId id) const;

    // One round: every user (peer uid) with a frame ready gets one turn, users in order after
    // the one served last, and each user's connections in turn among themselves. A turn is
    // one request, or a whole held operation: while a client holds, only its frames are
    // served, and the round waits for them. Turns go by user, not by connection, so one
    // member of the group with many connections, even stuck holders, delays another user
    // by at most one turn of each kind per round.
    void serve();

    // Answers not yet sent, and how many of them the socket took.
    std::span<const uint8_t> output(ClientId id) const;
    void sent(ClientId id, size_t bytes);

    // Removes and returns the clients that timed out (idle, or a frame begun and not
    // finished); each is logged. The caller closes them.
    std::vector<ClientId> expired();
    // When serve() or expired() next has work without new input: a time not later than
    // now when a frame is ready; nothing when no deadline is pending.
    std::optional<TimePoint> nextEvent() const;

    std::optional<ClientId> holder() const { return holder_; }
    size_t size() const { return clients_.size(); }

private:
    struct Frame {
        uint32_t code;
        uint32_t outLen;
        std::vector<uint8_t> input;
    };
    struct Client {
        Peer peer;
        std::vector<uint8_t> in;  // bytes of the frame not yet complete
        std::deque<Frame> queue;
        std::vector<uint8_t> out;
        TimePoint lastProgress;  // a frame received or served, or answers taken
        TimePoint partialSince;  // first byte of the incomplete frame, while reading
        bool reading = true;
        uint32_t chainLeft = 0;    // requests still to come of the chain under way
        bool chainBroken = false;  // one of them failed: the rest are not performed
    };

    struct User {
        std::set<ClientId> clients;
        std::optional<ClientId> cursor;  // the connection of this user served last
    };

    // The length a well-formed chain announces; any other chain is refused like an
    // unknown code.
    static std::optional<uint32_t> chainLength(const Frame& frame);
    bool ready(ClientId id, const Client& client) const;
    // The user's next connection with a frame ready, after the one served last.
    std::optional<ClientId> nextReady(User& user) const;
    void forget(ClientId id);
    // True while the delay is the service's, not the client's: it has frames to be served.
    bool waitingOnUs(const Client& client) const;
    void serveFrame(ClientId id, Client& client, TimePoint now);
    // Serves the holder's frames; true once its hold has ended.
    bool serveHolder();
    void endOverrunHold(TimePoint now);
    void updateReading(Client& client, TimePoint now);

    RequestDecoder& decoder_;
    Logger& log_;
    Timeouts timeouts_;
    Clock clock_;
    std::map<ClientId, Client> clients_;
    std::map<uid_t, User> users_;
    std::optional<uid_t> cursor_;  // the user served last
    std::optional<ClientId> holder_;
    TimePoint holdDeadline_;
};

}  // namespace qvnbdrv
