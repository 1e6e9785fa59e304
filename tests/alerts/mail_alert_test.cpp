#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>
#include <vector>

#include "alarm.h"
#include "mail_alert.h"
#include "smtp_sink.h"

namespace qorv {
namespace {

using testing::closedPort;
using testing::SmtpSink;

// The clock and the locale of a test, put back afterwards.
class FixedClockText : public ::testing::Test {
protected:
    void SetUp() override {
        save("LC_ALL", lcAll_);
        save("TZ", tz_);
        ::setenv("LC_ALL", "C", 1);
        ::setenv("TZ", "UTC", 1);
        ::tzset();
    }
    void TearDown() override {
        restore("LC_ALL", lcAll_);
        restore("TZ", tz_);
        ::tzset();
    }

private:
    static void save(const char* name, std::optional<std::string>& value) {
        if (const char* v = std::getenv(name)) value = v;
    }
    static void restore(const char* name, const std::optional<std::string>& value) {
        if (value)
            ::setenv(name, value->c_str(), 1);
        else
            ::unsetenv(name);
    }
    std::optional<std::string> lcAll_, tz_;
};

constexpr std::time_t kJuly3rd140509 = 1720015509;  // 2024-07-03 14:05:09 UTC

TEST_F(FixedClockText, TheSixLinesOfAHighCrossing) {
    EXPECT_EQ(alertMailLines("CPU Temp", kHighAlertText, kJuly3rd140509),
              (std::vector<std::string>{
                  " ",
                  "  Hey! Alert!",
                  "  The alert information is from CPU Temp for the reading is overflow the High Threshold!",
                  "  Send out at 14:05:09 07/03/24",
                  " ",
                  "Qorvane System Monitor",
              }));
}

TEST_F(FixedClockText, ALowCrossingEndsLineThreeWithItsOwnText) {
    const auto lines = alertMailLines("Fan 1", kLowAlertText, kJuly3rd140509);
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(lines[2], "  The alert information is from Fan 1 for the reading is under the Low_Threshold !");
}

class MailAlertEndToEnd : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(sink.ready()); }

    MailAlert::Reporter recorder() {
        return [this](const std::string& m) { reports.push_back(m); };
    }

    SmtpSink sink;
    std::vector<std::string> reports;
};

TEST_F(MailAlertEndToEnd, EachAlarmSendsItsOwnMailOfSixLines) {
    MailAlert mail(recorder(), QVNMAIL_SHARED_LIBRARY);
    mail.ResetMailSession();
    mail.SendAlertMail("CPU Temp", kHighAlertText, "ops@example.test", sink.server());
    mail.ResetMailSession();
    mail.SendAlertMail("Fan 1", kLowAlertText, "ops@example.test", sink.server());

    const auto mails = sink.mails();
    ASSERT_EQ(mails.size(), 2u);
    const char* expectedLine3[] = {
        "  The alert information is from CPU Temp for the reading is overflow the High Threshold!",
        "  The alert information is from Fan 1 for the reading is under the Low_Threshold !"};
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(mails[i].receivers, std::vector<std::string>{"ops@example.test"});
        const auto& body = mails[i].bodyLines;
        ASSERT_EQ(body.size(), 6u) << mails[i].text;
        EXPECT_EQ(body[0], " ");
        EXPECT_EQ(body[1], "  Hey! Alert!");
        EXPECT_EQ(body[2], expectedLine3[i]);
        EXPECT_EQ(body[3].rfind("  Send out at ", 0), 0u) << body[3];
        EXPECT_EQ(body[4], " ");
        EXPECT_EQ(body[5], "Qorvane System Monitor");
    }
    EXPECT_TRUE(reports.empty());
}

TEST_F(MailAlertEndToEnd, ASensorNameHoldingLineBreaksInjectsNothing) {
    MailAlert mail(recorder(), QVNMAIL_SHARED_LIBRARY);
    mail.ResetMailSession();
    mail.SendAlertMail("CPU\r\nBcc: intruder@example.test\r\nX-Injected: yes", kHighAlertText, "ops@example.test",
                       sink.server());

    const auto mails = sink.mails();
    ASSERT_EQ(mails.size(), 1u);
    EXPECT_EQ(mails[0].receivers, std::vector<std::string>{"ops@example.test"});
    for (const std::string& header : mails[0].headerLines) {
        EXPECT_NE(header.rfind("Bcc:", 0), 0u);
        EXPECT_NE(header.rfind("X-Injected:", 0), 0u);
    }
    ASSERT_EQ(mails[0].bodyLines.size(), 6u);
    EXPECT_EQ(mails[0].bodyLines[2],
              "  The alert information is from CPU  Bcc: intruder@example.test  X-Injected: yes"
              " for the reading is overflow the High Threshold!");
}

TEST_F(MailAlertEndToEnd, AMailTheServerDidNotTakeIsReported) {
    MailAlert mail(recorder(), QVNMAIL_SHARED_LIBRARY);
    mail.ResetMailSession();
    mail.SendAlertMail("CPU Temp", kHighAlertText, "ops@example.test", "127.0.0.1:" + std::to_string(closedPort()));
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_NE(reports[0].find("the alert mail for CPU Temp to ops@example.test"), std::string::npos) << reports[0];
    EXPECT_NE(reports[0].find("was not sent"), std::string::npos) << reports[0];
}

TEST_F(MailAlertEndToEnd, TheLibraryIsFoundByItsPlainNameNextToTheProgram) {
#if defined(__SANITIZE_ADDRESS__)
    // The sanitizer's dlopen stands between the program and the loader, so the loader
    // searches the sanitizer's folders instead of the program's.
    GTEST_SKIP() << "the address sanitizer hides the program's own library path from dlopen";
#endif
    MailAlert mail(recorder());
    mail.ResetMailSession();
    mail.SendAlertMail("CPU Temp", kHighAlertText, "ops@example.test", sink.server());
    EXPECT_EQ(sink.mails().size(), 1u);
    EXPECT_TRUE(reports.empty()) << reports.front();
}

TEST(MailAlertWithoutLibrary, AMissingLibraryLeavesTheMailOutAndIsReportedOnce) {
    std::vector<std::string> reports;
    MailAlert mail([&](const std::string& m) { reports.push_back(m); }, "libqvnmail-not-here.so");
    for (int alarm = 0; alarm < 2; ++alarm) {
        EXPECT_NO_THROW(mail.ResetMailSession());
        EXPECT_NO_THROW(mail.SendAlertMail("CPU Temp", kHighAlertText, "ops@example.test", "127.0.0.1"));
    }
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].rfind("cannot load the mail library libqvnmail-not-here.so", 0), 0u) << reports[0];
}

TEST(MailAlertWithoutLibrary, ALibraryLackingTheFunctionsIsNamedAndNeverCalled) {
    // The C library loads fine and has none of the five.
    std::vector<std::string> reports;
    MailAlert mail([&](const std::string& m) { reports.push_back(m); }, "libc.so.6");
    EXPECT_NO_THROW(mail.ResetMailSession());
    EXPECT_NO_THROW(mail.SendAlertMail("CPU Temp", kHighAlertText, "ops@example.test", "127.0.0.1"));
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0],
              "the mail library libc.so.6 has no function MailRelease, MailInit, MailTextAddLine, MailSetReceiver, "
              "MailSend; alert mails are left out");
}

}  // namespace
}  // namespace qorv
