// Who sends: the running program at this machine. Both are reduced to characters that
// are safe in a mailbox, a header and the EHLO command.
#pragma once

#include <string>

namespace qvnmail {

// The file name of the running program without folder and extension ("Qorvmon").
std::string programName();

// The machine's host name; "localhost" when it has none.
std::string hostName();

// A new Message-ID for a mail from this host, without the angle brackets.
std::string newMessageId(const std::string& host);

}  // namespace qvnmail
