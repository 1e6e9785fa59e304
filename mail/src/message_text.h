// The text of one message as it goes into the DATA command: headers, a blank line and
// the body, every line CR LF ended.
#pragma once

#include <ctime>
#include <string>
#include <vector>

namespace qvnmail {

struct MessageHeader {
    std::string from;     // mailbox of the sender
    std::string to;       // mailbox of the receiver
    std::string subject;  // plain ASCII
    std::time_t date = 0;
    std::string messageId;  // without the angle brackets
};

// The body lines must hold no CR or LF. Lines longer than SMTP allows are broken so the
// server does not refuse the whole message.
std::string messageText(const MessageHeader& header, const std::vector<std::string>& lines);

// "Tue, 04 Jun 2024 09:05:01 +0000": English names whatever the process's locale.
std::string mailDate(std::time_t when);

}  // namespace qvnmail
