#include <gtest/gtest.h>

#include "settings_changes.h"

namespace qorv {
namespace {

TEST(SettingsChanges, NameEachChangedSettingOfEachSensorAndOfTheMail) {
    SensorTable before;
    before.count = 2;
    before[0].Name = "CPU1 Temp";
    before[0].HighThreshold = 75;
    before[1].Name = "+12V";
    before[1].Email = 1;
    MailSettings mail;
    mail.CurrentAddress = "ops@example.com";

    SensorTable after = before;
    MailSettings afterMail = mail;
    EXPECT_TRUE(alertSettingChanges(before, mail, after, afterMail).empty());

    after[0].HighThreshold = 80.5;
    after[0].ShutDown = 1;
    after[1].Email = 2;  // not 1: off, as before
    after[1].Beep = 1;
    after[1].ReadingText = "12";  // not a setting
    afterMail.ServerAddress = "mail.example.com";
    std::vector<std::string> texts;
    for (const SettingChange& c : alertSettingChanges(before, mail, after, afterMail))
        texts.push_back(c.sensor + "|" + c.text);
    EXPECT_EQ(texts, (std::vector<std::string>{"CPU1 Temp|high threshold 75 -> 80.5", "CPU1 Temp|shutdown off -> on",
                                               "+12V|beep off -> on", "+12V|mail on -> off",
                                               "|mail server '' -> 'mail.example.com'"}));

    takeAlertSettings(before, after);
    EXPECT_EQ(before[0].HighThreshold, 80.5);
    EXPECT_EQ(before[1].Email, 2);
    EXPECT_EQ(before[1].ReadingText, "");  // the live reading stays the live table's
}

}  // namespace
}  // namespace qorv
