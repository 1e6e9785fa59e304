#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include "qvnmail/qvnmail.h"
#include "smtp_sink.h"

namespace qorv {
namespace {

using std::chrono::milliseconds;
using std::chrono::steady_clock;
using testing::ReceivedMail;
using testing::SilentServer;
using testing::SinkReply;
using testing::SmtpSink;

// The full limits (10 s to connect, 20 s in all) shortened for one test only.
class ShortLimit {
public:
    explicit ShortLimit(const char* ms) { ::setenv("QVNMAIL_TIME_LIMIT_MS", ms, 1); }
    ~ShortLimit() { ::unsetenv("QVNMAIL_TIME_LIMIT_MS"); }
    ShortLimit(const ShortLimit&) = delete;
    ShortLimit& operator=(const ShortLimit&) = delete;
};

class MailLibrary : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(sink.ready());
        MailRelease();
    }
    void TearDown() override { MailRelease(); }

    // One whole message: a fresh start, the lines, the receiver, the send.
    static int32_t send(const std::vector<std::string>& lines, const char* receiver, const std::string& server) {
        MailInit();
        for (const std::string& line : lines) MailTextAddLine(line.c_str());
        MailSetReceiver(receiver);
        return MailSend(server.c_str());
    }

    static bool hasHeader(const ReceivedMail& mail, const std::string& name) {
        return std::any_of(mail.headerLines.begin(), mail.headerLines.end(),
                           [&](const std::string& h) { return h.rfind(name + ":", 0) == 0; });
    }

    SmtpSink sink;
};

TEST_F(MailLibrary, DeliversTheLinesInCallOrderToTheOneReceiver) {
    const std::vector<std::string> lines{" ", "  Hey! Alert!", ".a line that starts with a dot", "", "last line"};
    ASSERT_EQ(send(lines, "ops@example.test", sink.server()), 1);

    const auto mails = sink.mails();
    ASSERT_EQ(mails.size(), 1u);
    const ReceivedMail& mail = mails[0];
    EXPECT_EQ(mail.receivers, std::vector<std::string>{"ops@example.test"});
    EXPECT_EQ(mail.sender.rfind("mail_tests@", 0), 0u) << mail.sender;
    EXPECT_EQ(mail.bodyLines, lines);

    const auto header = [&](const std::string& name) {
        for (const std::string& line : mail.headerLines)
            if (line.rfind(name + ": ", 0) == 0) return line.substr(name.size() + 2);
        return std::string("(none)");
    };
    EXPECT_EQ(header("To"), "ops@example.test");
    EXPECT_EQ(header("From"), mail.sender);
    EXPECT_EQ(header("Subject"), "mail_tests alert from " + mail.sender.substr(mail.sender.find('@') + 1));
    // "Tue, 04 Jun 2024 09:05:01 +0000"
    const std::string date = header("Date");
    EXPECT_EQ(date.size(), 31u) << date;
    EXPECT_EQ(date.substr(3, 2), ", ") << date;
    EXPECT_EQ(date.substr(25), " +0000") << date;
    const std::string id = header("Message-ID");
    EXPECT_TRUE(id.size() > 4 && id.front() == '<' && id.back() == '>' && id.find('@') != std::string::npos) << id;
    // Every line of the message ends in CR LF; none in a bare LF.
    for (std::size_t i = mail.text.find('\n'); i != std::string::npos; i = mail.text.find('\n', i + 1))
        ASSERT_TRUE(i > 0 && mail.text[i - 1] == '\r') << "bare LF at " << i;
}

TEST_F(MailLibrary, LinesLongerThanTheServerAcceptsArriveBrokenButWhole) {
    const std::string longLine(2500, 'x');
    ASSERT_EQ(send({longLine}, "ops@example.test", sink.server()), 1);
    const auto mails = sink.mails();
    ASSERT_EQ(mails.size(), 1u);
    std::string joined;
    for (const std::string& piece : mails[0].bodyLines) {
        EXPECT_LE(piece.size(), 998u);
        joined += piece;
    }
    EXPECT_EQ(joined, longLine);
}

TEST_F(MailLibrary, LineBreaksInsideTheTextsInjectNothing) {
    // A break inside a line or after the receiver or server becomes a blank.
    ASSERT_EQ(send({"CPU\r\nBcc: intruder@example.test\r\nX-Injected: yes", "\n.\r\nQUIT"}, "ops@example.test\r\n",
                   sink.server() + "\r\n"),
              1);
    auto mails = sink.mails();
    ASSERT_EQ(mails.size(), 1u);
    EXPECT_EQ(mails[0].receivers, std::vector<std::string>{"ops@example.test"});
    EXPECT_FALSE(hasHeader(mails[0], "Bcc"));
    EXPECT_FALSE(hasHeader(mails[0], "X-Injected"));
    EXPECT_EQ(mails[0].bodyLines,
              (std::vector<std::string>{"CPU  Bcc: intruder@example.test  X-Injected: yes", " .  QUIT"}));

    // A receiver that tries to name a second one is refused whole.
    EXPECT_EQ(send({"x"}, "ops@example.test\r\nRCPT TO:<intruder@example.test>", sink.server()), 0);
    EXPECT_EQ(sink.mails().size(), 1u);
}

TEST_F(MailLibrary, RefusesAReceiverThatIsNotExactlyOneAddress) {
    for (const char* receiver :
         {"", "   ", "nobody", "@example.test", "a@", "a@b@example.test", "a@example.test, b@example.test",
          "a@example.test;b@example.test", "Ops <a@example.test>", "<a@example.test> <b@example.test>",
          "<a@example.test>>", "a b@example.test", "a\tb@example.test", "a\x7f@example.test"}) {
        EXPECT_EQ(send({"x"}, receiver, sink.server()), 0) << receiver;
    }
    EXPECT_EQ(send({"x"}, nullptr, sink.server()), 0);
    EXPECT_TRUE(sink.mails().empty());

    ASSERT_EQ(send({"x"}, " <a@example.test> ", sink.server()), 1);
    const auto mails = sink.mails();
    ASSERT_EQ(mails.size(), 1u);
    EXPECT_EQ(mails[0].receivers, std::vector<std::string>{"a@example.test"});
}

TEST_F(MailLibrary, RefusesAServerTextThatIsNotAHostAndPort) {
    const std::string port = sink.server().substr(sink.server().find(':') + 1);
    for (const std::string& server :
         {std::string(), std::string(":") + port, "user:secret@127.0.0.1:" + port, "127.0.0.1:" + port + "/x",
          "127.0.0.1:" + port + "?x", "127.0.0.1:" + port + "#x", std::string("127.0.0.1:99999"),
          "127.0.0.1:" + port + "x", "127.0.0.1 :" + port, "[::1:" + port}) {
        EXPECT_EQ(send({"x"}, "ops@example.test", server), 0) << server;
    }
    EXPECT_EQ(MailSend(nullptr), 0);
    EXPECT_TRUE(sink.mails().empty());
}

TEST_F(MailLibrary, AReceiverTheServerRefusesIsAFailure) {
    EXPECT_EQ(send({"x"}, "nobody@refused.test", sink.server()), 0);
    EXPECT_TRUE(sink.mails().empty());
}

TEST_F(MailLibrary, OnlyAStartedMessageIsSentAndEachStartIsEmpty) {
    MailRelease();  // nothing was started: harmless
    MailTextAddLine("before any start");
    MailSetReceiver("ops@example.test");
    EXPECT_EQ(MailSend(sink.server().c_str()), 0);

    MailInit();
    MailTextAddLine("old");
    MailSetReceiver("old@example.test");
    MailRelease();
    EXPECT_EQ(MailSend(sink.server().c_str()), 0);
    EXPECT_TRUE(sink.mails().empty());

    MailInit();
    MailTextAddLine("old");
    MailInit();
    MailTextAddLine("new");
    EXPECT_EQ(MailSend(sink.server().c_str()), 0);  // the receiver went with the restart
    MailSetReceiver("new@example.test");
    MailTextAddLine(nullptr);
    ASSERT_EQ(MailSend(sink.server().c_str()), 1);
    const auto mails = sink.mails();
    ASSERT_EQ(mails.size(), 1u);
    EXPECT_EQ(mails[0].bodyLines, (std::vector<std::string>{"new", ""}));
    EXPECT_EQ(mails[0].receivers, std::vector<std::string>{"new@example.test"});
}

TEST_F(MailLibrary, AServerThatNeverAnswersMakesTheSendGiveUp) {
    const ShortLimit limit("1500");
    SilentServer silent;
    const auto start = steady_clock::now();
    const int32_t sent = send({"x"}, "ops@example.test", silent.server());
    const auto took = std::chrono::duration_cast<milliseconds>(steady_clock::now() - start);
    std::cout << "MailSend against a silent server returned after " << took.count() << " ms\n";
    EXPECT_EQ(sent, 0);
}

TEST_F(MailLibrary, AServerThatStallsAfterTheDataCannotHoldTheSendPastTheLimit) {
    // The limit covers the whole call: the wait for the reply to the data and QUIT's at
    // the close as well. A reply that comes later counts as none. The margin allows for
    // setting up on a loaded machine; a wait the limit misses lasts many seconds longer.
    const ShortLimit limit("2000");
    const auto bound = milliseconds(2000) + std::chrono::seconds(3);
    for (const auto& [reply, name] :
         {std::pair{SinkReply::kNeverAnswers, "never answers"}, std::pair{SinkReply::kTrickles, "trickles"},
          std::pair{SinkReply::kAnswersLate, "answers late"}}) {
        SmtpSink stalling(reply);
        ASSERT_TRUE(stalling.ready()) << name;
        const auto start = steady_clock::now();
        const int32_t sent = send({"x"}, "ops@example.test", stalling.server());
        const auto took = std::chrono::duration_cast<milliseconds>(steady_clock::now() - start);
        std::cout << "MailSend against a server that " << name << " returned after " << took.count() << " ms\n";
        EXPECT_EQ(sent, 0) << name;
        EXPECT_LT(took, bound) << name;
    }
}

}  // namespace
}  // namespace qorv
