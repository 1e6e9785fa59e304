#include "mail_session.h"

#include <ctime>

#include "address_rules.h"
#include "local_identity.h"
#include "message_text.h"
#include "smtp_sender.h"

namespace qvnmail {

void MailSession::release() {
    std::lock_guard lock(mutex_);
    open_ = false;
    lines_.clear();
    receiver_.reset();
}

void MailSession::init() {
    std::lock_guard lock(mutex_);
    open_ = true;
    lines_.clear();
    receiver_.reset();
}

void MailSession::addLine(const char* line) {
    std::lock_guard lock(mutex_);
    if (open_) lines_.push_back(withoutLineBreaks(line ? line : ""));
}

void MailSession::setReceiver(const char* receiver) {
    std::lock_guard lock(mutex_);
    if (open_) receiver_ = receiverMailbox(receiver ? receiver : "");
}

bool MailSession::send(const char* serverText) {
    const auto server = parseServer(serverText ? serverText : "");
    if (!server) return false;
    Outgoing mail;
    MessageHeader header;
    {
        std::lock_guard lock(mutex_);
        if (!open_ || !receiver_) return false;
        const std::string program = programName();
        const std::string host = hostName();
        mail.server = *server;
        mail.ehloName = host;
        mail.from = program + "@" + host;
        mail.to = *receiver_;
        header.from = mail.from;
        header.to = mail.to;
        header.subject = program + " alert from " + host;
        header.date = std::time(nullptr);
        header.messageId = newMessageId(host);
        mail.text = messageText(header, lines_);
    }
    // Sent outside the lock: a slow server must not hold up a caller that only wants to
    // start the next message.
    return sendMessage(mail, timeLimits());
}

MailSession& theSession() {
    static MailSession session;
    return session;
}

}  // namespace qvnmail
