#include "dispatcher.h"

#include <algorithm>
#include <string>

#include "driver_requests.h"

namespace qvnbdrv {

namespace {

namespace rq = qvnhwm::request;

constexpr size_t kHeaderSize = 12;      // code, in_len, out_len
constexpr size_t kReplyHeaderSize = 8;  // ok, returned

// "500 ms", "60 s": for log lines.
std::string spoken(std::chrono::milliseconds d) {
    if (d.count() % 1000 == 0) return std::to_string(d.count() / 1000) + " s";
    return std::to_string(d.count()) + " ms";
}

}  // namespace

std::optional<uint32_t> Dispatcher::chainLength(const Frame& frame) {
    if (frame.code != rq::kChainRequests || frame.input.size() != rq::kChainInSize || frame.outLen != 0)
        return std::nullopt;
    const uint32_t length = rq::getU32(frame.input.data());
    if (length == 0 || length > rq::kMaxChainLength) return std::nullopt;
    return length;
}

Dispatcher::Dispatcher(RequestDecoder& decoder, Logger& log, Timeouts timeouts, Clock clock)
    : decoder_(decoder), log_(log), timeouts_(timeouts), clock_(std::move(clock)) {}

void Dispatcher::add(ClientId id, const Peer& peer) {
    forget(id);
    Client& client = clients_[id] = Client{};
    client.peer = peer;
    client.lastProgress = clock_();
    users_[peer.uid].clients.insert(id);
}

void Dispatcher::remove(ClientId id) { forget(id); }

void Dispatcher::forget(ClientId id) {
    const auto it = clients_.find(id);
    if (it == clients_.end()) return;
    if (holder_ == id) holder_.reset();
    const auto user = users_.find(it->second.peer.uid);
    if (user != users_.end()) {
        user->second.clients.erase(id);
        if (user->second.clients.empty()) users_.erase(user);
    }
    clients_.erase(it);
}

bool Dispatcher::receive(ClientId id, std::span<const uint8_t> bytes) {
    const auto it = clients_.find(id);
    if (it == clients_.end()) return false;
    Client& client = it->second;
    const TimePoint now = clock_();
    const bool wasPartial = !client.in.empty();
    client.in.insert(client.in.end(), bytes.begin(), bytes.end());

    size_t at = 0;
    bool completed = false;
    while (client.in.size() - at >= kHeaderSize) {
        const uint8_t* header = client.in.data() + at;
        const uint32_t inLen = rq::getU32(header + 4);
        const uint32_t outLen = rq::getU32(header + 8);
        if (inLen > kMaxBuffer || outLen > kMaxBuffer) {
            log_.refusal(EventKind::Connection, client.peer,
                         "dropped a client whose frame announced " + std::to_string(inLen) + " input and " +
                             std::to_string(outLen) + " output bytes");
            return false;
        }
        if (client.in.size() - at < kHeaderSize + inLen) break;
        const uint8_t* input = header + kHeaderSize;
        client.queue.push_back({rq::getU32(header), outLen, std::vector<uint8_t>(input, input + inLen)});
        at += kHeaderSize + inLen;
        completed = true;
    }
    client.in.erase(client.in.begin(), client.in.begin() + std::ptrdiff_t(at));
    if (completed) client.lastProgress = now;
    // The half-sent clock runs from the first byte of the frame still incomplete.
    if (!client.in.empty() && (completed || !wasPartial)) client.partialSince = now;
    updateReading(client, now);
    return true;
}

bool Dispatcher::wantsInput(ClientId id) const {
    const auto it = clients_.find(id);
    return it != clients_.end() && it->second.reading;
}

void Dispatcher::updateReading(Client& client, TimePoint now) {
    const bool reading = client.queue.size() < kMaxQueuedFrames && client.out.size() < kOutputHighWater;
    // While the service was not reading, the rest of a frame could not arrive.
    if (reading && !client.reading && !client.in.empty()) client.partialSince = now;
    client.reading = reading;
}

bool Dispatcher::ready(ClientId id, const Client& client) const {
    return waitingOnUs(client) && (!holder_ || *holder_ == id);
}

bool Dispatcher::waitingOnUs(const Client& client) const {
    return !client.queue.empty() && client.out.size() < kOutputHighWater;
}

void Dispatcher::serve() {
    endOverrunHold(clock_());
    if (holder_ && !serveHolder()) return;
    // Rounds follow one another until every connection could have had one turn, as many
    // turns as a round by connection would give, so a user with many connections is no
    // slower to serve than many users; the order inside stays by user.
    size_t turnsLeft = clients_.size();
    while (turnsLeft > 0) {
        bool served = false;
        // Serving a frame adds or removes no client, so the iterators stay valid.
        auto it = cursor_ ? users_.upper_bound(*cursor_) : users_.begin();
        for (size_t users = users_.size(); users > 0 && turnsLeft > 0; --users, ++it) {
            if (it == users_.end()) it = users_.begin();
            const std::optional<ClientId> id = nextReady(it->second);
            if (!id) continue;
            cursor_ = it->first;
            it->second.cursor = id;
            served = true;
            --turnsLeft;
            serveFrame(*id, clients_.at(*id), clock_());
            // A hold just granted makes the rest of the operation part of this turn.
            if (holder_ && !serveHolder()) return;
        }
        if (!served) return;
    }
}

std::optional<ClientId> Dispatcher::nextReady(User& user) const {
    auto it = user.cursor ? user.clients.upper_bound(*user.cursor) : user.clients.begin();
    for (size_t left = user.clients.size(); left > 0; --left, ++it) {
        if (it == user.clients.end()) it = user.clients.begin();
        if (ready(*it, clients_.at(*it))) return *it;
    }
    return std::nullopt;
}

bool Dispatcher::serveHolder() {
    const ClientId id = *holder_;
    Client& client = clients_.at(id);
    while (ready(id, client)) {
        const TimePoint now = clock_();
        if (now >= holdDeadline_) {
            endOverrunHold(now);
            return true;
        }
        serveFrame(id, client, now);
        if (!holder_) return true;
    }
    return false;
}

void Dispatcher::endOverrunHold(TimePoint now) {
    if (!holder_ || now < holdDeadline_) return;
    log_.refusal(EventKind::Connection, clients_.at(*holder_).peer,
                 "a client held the service longer than " + spoken(timeouts_.hold) +
                     "; its hold ends and its requests are served in turn");
    holder_.reset();
}

void Dispatcher::serveFrame(ClientId id, Client& client, TimePoint now) {
    const Frame frame = std::move(client.queue.front());
    client.queue.pop_front();
    const auto isHoldRequest = [&frame](uint32_t code) {
        return frame.code == code && frame.input.empty() && frame.outLen == 0;
    };

    const size_t at = client.out.size();
    client.out.resize(at + kReplyHeaderSize + frame.outLen, 0);
    bool ok = true;
    if (isHoldRequest(rq::kBeginOperation)) {
        // ready() lets no one else in while a hold lasts; a second Begin from the holder
        // does not lengthen it.
        if (!holder_) {
            holder_ = id;
            holdDeadline_ = now + timeouts_.hold;
        }
    } else if (isHoldRequest(rq::kEndOperation)) {
        if (holder_ == id) holder_.reset();  // an End without a hold is harmless
    } else if (const std::optional<uint32_t> length = chainLength(frame)) {
        client.chainLeft = *length;
        client.chainBroken = false;
    } else {
        const bool member = client.chainLeft > 0;
        if (member) --client.chainLeft;
        ok = !(member && client.chainBroken) &&
             decoder_.handle(client.peer, frame.code, frame.input,
                             std::span<uint8_t>(client.out.data() + at + kReplyHeaderSize, frame.outLen));
        if (member && !ok) client.chainBroken = true;
    }
    rq::putU32(client.out.data() + at, ok ? 1 : 0);
    rq::putU32(client.out.data() + at + 4, ok ? frame.outLen : 0);
    client.lastProgress = now;
    updateReading(client, now);
}

std::span<const uint8_t> Dispatcher::output(ClientId id) const {
    const auto it = clients_.find(id);
    if (it == clients_.end()) return {};
    return it->second.out;
}

void Dispatcher::sent(ClientId id, size_t bytes) {
    const auto it = clients_.find(id);
    if (it == clients_.end() || bytes == 0) return;
    Client& client = it->second;
    client.out.erase(client.out.begin(), client.out.begin() + std::ptrdiff_t(std::min(bytes, client.out.size())));
    const TimePoint now = clock_();
    client.lastProgress = now;
    updateReading(client, now);
}

std::vector<ClientId> Dispatcher::expired() {
    const TimePoint now = clock_();
    std::vector<ClientId> gone;
    for (auto it = clients_.begin(); it != clients_.end();) {
        const Client& client = it->second;
        std::string why;
        bool quiet = false;
        if (!waitingOnUs(client) && now - client.lastProgress >= timeouts_.idle) {
            quiet = client.out.empty() && client.in.empty();
            why = (client.out.empty() ? "sent no request for " : "took none of its answers for ") +
                  spoken(timeouts_.idle);
        } else if (client.reading && !client.in.empty() && now - client.partialSince >= timeouts_.halfSent)
            why = "left a frame unfinished for " + spoken(timeouts_.halfSent);
        if (why.empty()) {
            ++it;
            continue;
        }
        // A quiet client is no fault (the library reconnects when it next reads); one that
        // leaves a frame half-sent or its answers untaken is worth a warning.
        const std::string line = "closed a connection that " + why;
        if (quiet)
            log_.debug(line + " (client " + client.peer.text() + ")");
        else
            log_.refusal(EventKind::Connection, client.peer, line);
        const ClientId id = it->first;
        ++it;
        forget(id);
        gone.push_back(id);
    }
    return gone;
}

std::optional<TimePoint> Dispatcher::nextEvent() const {
    std::optional<TimePoint> next;
    const auto consider = [&next](TimePoint t) {
        if (!next || t < *next) next = t;
    };
    if (holder_) consider(holdDeadline_);
    for (const auto& [id, client] : clients_) {
        if (ready(id, client)) return clock_();
        if (!waitingOnUs(client)) consider(client.lastProgress + timeouts_.idle);
        if (client.reading && !client.in.empty()) consider(client.partialSince + timeouts_.halfSent);
    }
    return next;
}

}  // namespace qvnbdrv
