// One message handed to an SMTP server through libcurl, within fixed time limits so a
// server that never answers, or answers too slowly, cannot hold the caller for long.
#pragma once

#include <string>

#include "address_rules.h"

namespace qvnmail {

struct TimeLimits {
    long connectMs;
    long totalMs;
};

// 10 s to connect and 20 s in all; QVNMAIL_TIME_LIMIT_MS may shorten them, never
// lengthen them.
TimeLimits timeLimits();

struct Outgoing {
    ServerAddress server;
    std::string ehloName;
    std::string from;  // mailboxes, without angle brackets
    std::string to;
    std::string text;  // headers and body, CR LF ended
};

// True when the server accepted the message for the receiver. Returns within
// limits.totalMs whatever the server does; a reply that comes later counts as none.
bool sendMessage(const Outgoing& mail, const TimeLimits& limits);

}  // namespace qvnmail
