// What may reach the SMTP conversation from the caller's texts. Nothing the caller
// passes can end a line on the wire, so no text can add a header, a command or a
// recipient.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace qvnmail {

// The text with every CR and LF turned into a blank.
std::string withoutLineBreaks(std::string_view text);

// The one mailbox a receiver text names: "name@host" or "<name@host>", blanks around it
// allowed. Empty when the text is anything else, such as a list or a display name.
std::optional<std::string> receiverMailbox(std::string_view text);

struct ServerAddress {
    std::string host;  // a name or an IPv4 address, or an IPv6 address without brackets
    int port = 25;
};

// "host", "host:port", "[ipv6]" or "[ipv6]:port"; also a bare IPv6 address. Empty for
// anything that could change the URL the address becomes (credentials, paths, queries).
std::optional<ServerAddress> parseServer(std::string_view text);

// The URL libcurl connects to; ehloName goes into the path, which libcurl sends as the
// EHLO argument.
std::string smtpUrl(const ServerAddress& server, const std::string& ehloName);

}  // namespace qvnmail
