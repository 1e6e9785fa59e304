// A real SMTP server on loopback (aiosmtpd), started by a test in a process of its own
// and stopped with the object. It keeps every message it accepts for the test to read,
// or it misbehaves after the message data in one of the ways a client must outlast.
#pragma once

#include <sys/types.h>

#include <string>

#include "temp_dir.h"
#include <vector>

namespace qorv::testing {

struct ReceivedMail {
    std::string sender;
    std::vector<std::string> receivers;
    std::string text;  // headers and body exactly as they arrived
    std::vector<std::string> headerLines;
    std::vector<std::string> bodyLines;  // split at CR LF
};

// What the server does once a message's data has arrived.
enum class SinkReply {
    kStores,        // keeps the message and answers 250
    kNeverAnswers,  // says nothing more, not even to QUIT, and keeps the connection
    kTrickles,      // one byte a second forever, never ending the line
    kAnswersLate,   // every reply from then on whole but slowly, about 9 s a line
};

class SmtpSink {
public:
    explicit SmtpSink(SinkReply reply = SinkReply::kStores);
    ~SmtpSink();
    SmtpSink(const SmtpSink&) = delete;
    SmtpSink& operator=(const SmtpSink&) = delete;

    bool ready() const { return port_ > 0; }
    // "127.0.0.1:PORT"
    std::string server() const;
    // Every message accepted so far, in order of arrival.
    std::vector<ReceivedMail> mails() const;

private:
    qorv::testing::TempDir dir_;
    std::string folder_;
    pid_t pid_ = -1;
    int port_ = 0;
};

// A server that accepts connections and never says a word.
class SilentServer {
public:
    SilentServer();
    ~SilentServer();
    SilentServer(const SilentServer&) = delete;
    SilentServer& operator=(const SilentServer&) = delete;

    std::string server() const;

private:
    int listener_ = -1;
    int port_ = 0;
};

// A loopback port that nothing listens on.
int closedPort();

}  // namespace qorv::testing
