#include <gtest/gtest.h>

#include <string_view>

#include "alert_settings.h"
#include "mail_settings_page.h"

namespace qorv {
namespace {

TEST(KeyFilters, PassOnlyWhatEachFieldTakes) {
    for (int key : std::initializer_list<int>{'0', '9', '-', '.', 8}) EXPECT_EQ(thresholdKeyFilter(key), key) << key;
    for (int key : std::initializer_list<int>{'a', ',', '+', 'e', ' ', 13, 127})
        EXPECT_EQ(thresholdKeyFilter(key), 13) << key;
    for (char key : std::string_view("azAZ09@.!#$%&'*+-/=?^_`{|}~\b\r")) EXPECT_EQ(addressKeyFilter(key), key) << key;
    for (int key : std::initializer_list<int>{' ', '\t', '\n', 0, 127, '<', '>', ',', ';', ':', '"', '(', ')', '[', ']',
                                              '\\', 0xe9})
        EXPECT_EQ(addressKeyFilter(key), 13) << key;
}

TEST(ThresholdCommit, StoresTheNumberTyped) {
    SensorSlot s;
    s.LowThreshold = 20;
    EXPECT_EQ(commitThreshold(s, Threshold::High, "12.5").message, "");
    EXPECT_EQ(s.HighThreshold, 12.5);  // below the low threshold: stored as typed
    commitThreshold(s, Threshold::Low, "-.5");
    EXPECT_EQ(s.LowThreshold, -0.5);
}

TEST(ThresholdCommit, RefillsAnEmptyFieldFromTheBoardDefault) {
    SensorSlot s;
    s.DefaultHigh = 75;
    s.DefaultLow = 5;
    s.HighThreshold = 60;  // an earlier edit: not what comes back
    ThresholdCommit c = commitThreshold(s, Threshold::High, "");
    EXPECT_EQ(c.message, "Can not be empty !");
    EXPECT_EQ(c.fieldText, "75");
    EXPECT_EQ(s.HighThreshold, 75);
    c = commitThreshold(s, Threshold::Low, "");
    EXPECT_EQ(c.fieldText, "5");
    EXPECT_EQ(s.LowThreshold, 5);
}

TEST(ThresholdCommit, KeepsTheOldValueForTextThatIsNoNumber) {
    SensorSlot s;
    s.HighThreshold = 3.3;
    for (const char* text : {"-", "1.2.3", "5-", ".", "--1"}) {
        const ThresholdCommit c = commitThreshold(s, Threshold::High, text);
        EXPECT_EQ(s.HighThreshold, 3.3) << text;
        EXPECT_EQ(c.fieldText, "3.3");
        EXPECT_EQ(c.message, std::string("\"") + text + "\" is not a number; the threshold stays at 3.3.");
    }
}

TEST(AlertBlockCapture, WritesTheWholeBlockToTheSlot) {
    SensorSlot s;
    s.Email = 2;
    EXPECT_EQ(captureAlertBlock(s, {true, false, true, true, "2000", "40"}), "");
    EXPECT_EQ(s.Beep, 1);
    EXPECT_EQ(s.BeepFre, 2000);
    EXPECT_EQ(s.BeepDur, 40);
    EXPECT_EQ(s.Email, 0);
    EXPECT_EQ(s.Reboot, 1);
    EXPECT_EQ(s.ShutDown, 1);
    const AlertBlock shown = alertBlockOf(s);
    EXPECT_TRUE(shown.beep && shown.reboot && shown.shutDown && !shown.email);
    EXPECT_EQ(shown.frequencyText, "2000");
}

TEST(AlertBlockCapture, KeepsAFrequencyOrDurationThatIsNoWholeNumber) {
    SensorSlot s;
    s.BeepFre = 1000;
    s.BeepDur = 100;
    const std::string message = captureAlertBlock(s, {true, true, false, false, "fast", "1.5"});
    EXPECT_EQ(s.BeepFre, 1000);
    EXPECT_EQ(s.BeepDur, 100);
    EXPECT_EQ(s.Beep, 1);
    EXPECT_EQ(s.Email, 1);
    EXPECT_EQ(message, "\"fast\" is no frequency; it stays at 1000. \"1.5\" is no duration; it stays at 100.");
}

class MailPageTest : public ::testing::Test {
protected:
    MailSettings mail;
    AddressList list;
};

TEST_F(MailPageTest, OkRemembersANewReceiverOnce) {
    EXPECT_EQ(applyMailSettings(mail, list, "ops@example.com", "smtp.example.com"), "");
    EXPECT_EQ(mail.CurrentAddress, "ops@example.com");
    EXPECT_EQ(mail.ServerAddress, "smtp.example.com");
    EXPECT_EQ(mail.AddressCount, 1);
    EXPECT_EQ(list, (AddressList{"ops@example.com"}));
    applyMailSettings(mail, list, "boss@example.com", "smtp.example.com");
    applyMailSettings(mail, list, "ops@example.com", "smtp.example.com");  // listed: current, not added
    EXPECT_EQ(mail.CurrentAddress, "ops@example.com");
    EXPECT_EQ(mail.AddressCount, 2);
    EXPECT_EQ(list, (AddressList{"ops@example.com", "boss@example.com"}));
}

TEST_F(MailPageTest, OkWithAnEmptyFieldWarnsAndStoresItAllTheSame) {
    EXPECT_EQ(applyMailSettings(mail, list, "", "smtp.example.com"), kMailEmptyMessage);
    EXPECT_EQ(mail.ServerAddress, "smtp.example.com");
    EXPECT_EQ(mail.AddressCount, 0);
    EXPECT_EQ(applyMailSettings(mail, list, "ops@example.com", ""), kMailEmptyMessage);
    EXPECT_EQ(mail.ServerAddress, "");
    EXPECT_EQ(mail.AddressCount, 1);
}

TEST_F(MailPageTest, TheTwentySeventhAddressPushesOutTheOldest) {
    for (int i = 0; i < 26; ++i) applyMailSettings(mail, list, "a" + std::to_string(i) + "@x", "s");
    EXPECT_EQ(mail.AddressCount, 26);
    applyMailSettings(mail, list, "new@x", "s");
    EXPECT_EQ(mail.AddressCount, 26);
    EXPECT_EQ(mail.Addresses[0], "a1@x");
    EXPECT_EQ(mail.Addresses[25], "new@x");
    EXPECT_FALSE(addressIsListed("a0@x", list));
    EXPECT_EQ(list.size(), 26u);
    EXPECT_EQ(mail.CurrentAddress, "new@x");
}

TEST_F(MailPageTest, DeleteForgetsAddressesButKeepsTheServer) {
    applyMailSettings(mail, list, "ops@example.com", "smtp.example.com");
    forgetAllAddresses(mail, list);
    EXPECT_TRUE(list.empty());
    EXPECT_EQ(mail.AddressCount, 0);
    EXPECT_EQ(mail.CurrentAddress, "");
    EXPECT_EQ(mail.Addresses[0], "");
    EXPECT_EQ(mail.ServerAddress, "smtp.example.com");
}

TEST_F(MailPageTest, FillingAddsOnlyWhatTheListLacks) {
    mail.AddressCount = 3;
    mail.Addresses[0] = "a@x";
    mail.Addresses[1] = "b@x";
    mail.Addresses[2] = "a@x";
    list = {"b@x"};
    fillAddressList(mail, list);
    EXPECT_EQ(list, (AddressList{"b@x", "a@x"}));
    EXPECT_FALSE(addressIsListed("A@x", list));  // exact letter case
}

}  // namespace
}  // namespace qorv
