// The one message being built between MailInit and MailRelease, and its sending.
#pragma once

#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace qvnmail {

class MailSession {
public:
    void release();
    void init();
    void addLine(const char* line);
    void setReceiver(const char* receiver);
    // True when the server accepted the message.
    bool send(const char* server);

private:
    std::mutex mutex_;
    bool open_ = false;
    std::vector<std::string> lines_;
    std::optional<std::string> receiver_;  // empty also when the last one was refused
};

MailSession& theSession();

}  // namespace qvnmail
