#include "message_text.h"

#include <algorithm>
#include <cstdio>

namespace qvnmail {

namespace {

constexpr const char* kLineEnd = "\r\n";
constexpr std::size_t kMaxLineLength = 998;  // SMTP's limit without the CR LF
constexpr unsigned char kFirstNonAscii = 0x80;
constexpr unsigned char kUtf8TailMask = 0xC0;  // top two bits of a byte
constexpr unsigned char kUtf8Tail = 0x80;      // 10xxxxxx: continues a UTF-8 sequence

bool continuesCharacter(char c) { return (static_cast<unsigned char>(c) & kUtf8TailMask) == kUtf8Tail; }

bool isAscii(const std::vector<std::string>& lines) {
    return std::all_of(lines.begin(), lines.end(), [](const std::string& line) {
        return std::all_of(line.begin(), line.end(),
                           [](char c) { return static_cast<unsigned char>(c) < kFirstNonAscii; });
    });
}

void appendHeader(std::string& text, const char* name, const std::string& value) {
    text += name;
    text += ": ";
    text += value;
    text += kLineEnd;
}

}  // namespace

std::string mailDate(std::time_t when) {
    static constexpr const char* kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                              "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    std::tm utc{};
#if defined(_WIN32)
    gmtime_s(&utc, &when);
#else
    gmtime_r(&when, &utc);
#endif
    char text[40];
    std::snprintf(text, sizeof text, "%s, %02d %s %04d %02d:%02d:%02d +0000", kDays[utc.tm_wday % 7], utc.tm_mday,
                  kMonths[utc.tm_mon % 12], utc.tm_year + 1900, utc.tm_hour, utc.tm_min, utc.tm_sec);
    return text;
}

std::string messageText(const MessageHeader& header, const std::vector<std::string>& lines) {
    std::string text;
    appendHeader(text, "Date", mailDate(header.date));
    appendHeader(text, "From", header.from);
    appendHeader(text, "To", header.to);
    appendHeader(text, "Subject", header.subject);
    appendHeader(text, "Message-ID", "<" + header.messageId + ">");
    appendHeader(text, "MIME-Version", "1.0");
    // Names come from files in the system's own encoding; on the platforms this runs on
    // that is UTF-8, and 8-bit text is marked as such rather than left to guesswork.
    const bool ascii = isAscii(lines);
    appendHeader(text, "Content-Type", ascii ? "text/plain; charset=us-ascii" : "text/plain; charset=utf-8");
    appendHeader(text, "Content-Transfer-Encoding", ascii ? "7bit" : "8bit");
    text += kLineEnd;
    for (const std::string& line : lines) {
        std::size_t start = 0;
        do {
            std::size_t length = std::min(kMaxLineLength, line.size() - start);
            // A break inside a UTF-8 sequence would spoil the character on both sides.
            std::size_t whole = length;
            while (whole > 0 && start + whole < line.size() && continuesCharacter(line[start + whole])) --whole;
            if (whole > 0) length = whole;
            text.append(line, start, length);
            text += kLineEnd;
            start += length;
        } while (start < line.size());
    }
    return text;
}

}  // namespace qvnmail
