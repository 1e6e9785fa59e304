#include "address_rules.h"

#include <algorithm>

namespace qvnmail {

namespace {

constexpr int kDefaultPort = 25;
constexpr int kImplicitTlsPort = 465;  // submission over TLS from the first byte
constexpr std::string_view kMailboxSpecials = ",;<>()\"\\";

std::string_view trimBlanks(std::string_view s) {
    while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
    while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
    return s;
}

bool isControlOrBlank(unsigned char c) { return c <= 0x20 || c == 0x7F; }

// ASCII only, whatever the process's locale says about other bytes.
bool isDigit(unsigned char c) { return c >= '0' && c <= '9'; }
bool isLetter(unsigned char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool isHexLetter(unsigned char c) { return (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

bool isHostNameChar(unsigned char c) { return isDigit(c) || isLetter(c) || c == '.' || c == '-' || c == '_'; }

bool isIpv6Char(unsigned char c) { return isDigit(c) || isHexLetter(c) || c == ':' || c == '.'; }

std::optional<int> parsePort(std::string_view digits) {
    if (digits.empty() || digits.size() > 5) return std::nullopt;
    int port = 0;
    for (unsigned char c : digits) {
        if (!isDigit(c)) return std::nullopt;
        port = port * 10 + (c - '0');
    }
    if (port < 1 || port > 65535) return std::nullopt;
    return port;
}

}  // namespace

std::string withoutLineBreaks(std::string_view text) {
    std::string out(text);
    std::replace_if(
        out.begin(), out.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
    return out;
}

std::optional<std::string> receiverMailbox(std::string_view text) {
    const std::string flat = withoutLineBreaks(text);
    std::string_view s = trimBlanks(flat);
    if (s.size() >= 2 && s.front() == '<' && s.back() == '>') s = s.substr(1, s.size() - 2);
    if (s.empty()) return std::nullopt;
    for (unsigned char c : s)
        if (isControlOrBlank(c) || kMailboxSpecials.find(char(c)) != std::string_view::npos) return std::nullopt;
    const auto at = s.find('@');
    if (at == 0 || at == std::string_view::npos || at + 1 == s.size() || s.find('@', at + 1) != std::string_view::npos)
        return std::nullopt;
    return std::string(s);
}

std::optional<ServerAddress> parseServer(std::string_view text) {
    const std::string flat = withoutLineBreaks(text);
    const std::string_view s = trimBlanks(flat);
    ServerAddress server;
    std::string_view host;
    std::string_view rest;
    bool ipv6 = false;
    if (!s.empty() && s.front() == '[') {
        const auto close = s.find(']');
        if (close == std::string_view::npos) return std::nullopt;
        host = s.substr(1, close - 1);
        rest = s.substr(close + 1);
        ipv6 = true;
    } else if (std::count(s.begin(), s.end(), ':') > 1) {
        host = s;
        ipv6 = true;
    } else {
        const auto colon = s.find(':');
        host = s.substr(0, colon);
        if (colon != std::string_view::npos) rest = s.substr(colon);
    }
    if (host.empty()) return std::nullopt;
    if (!std::all_of(host.begin(), host.end(), ipv6 ? isIpv6Char : isHostNameChar)) return std::nullopt;
    if (!rest.empty()) {
        if (rest.front() != ':') return std::nullopt;
        const auto port = parsePort(rest.substr(1));
        if (!port) return std::nullopt;
        server.port = *port;
    } else {
        server.port = kDefaultPort;
    }
    server.host = std::string(host);
    return server;
}

std::string smtpUrl(const ServerAddress& server, const std::string& ehloName) {
    const bool ipv6 = server.host.find(':') != std::string::npos;
    const std::string host = ipv6 ? "[" + server.host + "]" : server.host;
    const char* scheme = server.port == kImplicitTlsPort ? "smtps" : "smtp";
    return std::string(scheme) + "://" + host + ":" + std::to_string(server.port) + "/" + ehloName;
}

}  // namespace qvnmail
