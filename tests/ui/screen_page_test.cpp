// The page container "Screen" under the offscreen platform: which parts the About and the
// General Setting page show, and the mail fields of the settings form over real mail
// settings, with a recording platform and a counted save.
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTextEdit>
#include <QtTest>
#include <memory>

#include "mail_settings_page.h"
#include "recording_platform.h"
#include "screen_page.h"

using namespace qorv;

class ScreenPageTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<MonitorState> state;
    std::unique_ptr<testing::RecordingPlatform> platform;
    std::unique_ptr<ScreenPage> page;
    int saves = 0;
    size_t messagesAtLastSave = 0;

    template <typename T>
    T* part(const char* name) {
        T* found = page->findChild<T*>(name);
        if (!found) qFatal("no %s on the page", name);
        return found;
    }
    QComboBox* address() { return part<QComboBox>("ComboMailAddress"); }
    QLineEdit* server() { return part<QLineEdit>("TextMailServer"); }
    void click(const char* button) { QTest::mouseClick(part<QPushButton>(button), Qt::LeftButton); }

    QStringList listed() {
        QStringList items;
        for (int i = 0; i < address()->count(); ++i) items << address()->itemText(i);
        return items;
    }
    void remember(std::initializer_list<const char*> addresses) {
        for (const char* a : addresses) state->mail.Addresses[size_t(state->mail.AddressCount++)] = a;
    }
    // Types into a field as the user does, replacing what it held.
    void typeInto(QWidget* field, const QString& text) {
        if (auto* box = qobject_cast<QComboBox*>(field)) box->setEditText({});
        if (auto* line = qobject_cast<QLineEdit*>(field)) line->clear();
        QTest::keyClicks(field, text);
    }

private slots:
    void init() {
        state = std::make_unique<MonitorState>();
        platform = std::make_unique<testing::RecordingPlatform>();
        saves = 0;
        messagesAtLastSave = 0;
        page = std::make_unique<ScreenPage>(*state, *platform, [this] {
            ++saves;
            messagesAtLastSave = platform->messages.size();
        });
        page->show();
        QVERIFY(QTest::qWaitForWindowExposed(page.get()));
    }

    void cleanup() { page.reset(); }

    void eachPageShowsOnlyItsOwnParts() {
        QWidget* form = part<QWidget>("FrmSetting");
        auto* agreement = part<QTextEdit>("txtBoxAgreement");
        QWidget* version = part<QWidget>("LabelVersion");
        QCOMPARE(page->objectName(), QString("Screen"));

        page->showSettings();
        QVERIFY(form->isVisible());
        QVERIFY(!agreement->isVisible());
        QVERIFY(!version->isVisible());

        page->showAbout();
        QVERIFY(!form->isVisible());
        QVERIFY(agreement->isVisible());
        QVERIFY(version->isVisible());
        QVERIFY(agreement->isReadOnly());
        QVERIFY(agreement->toPlainText().contains("Terms of Use"));
    }

    void showingTheSettingsFillsTheMailFields() {
        remember({"first@x.y", "ops@x.y"});
        state->mail.CurrentAddress = "ops@x.y";
        state->mail.ServerAddress = "smtp.x.y";
        page->showSettings();
        QCOMPARE(address()->currentText(), QString("ops@x.y"));
        QCOMPARE(server()->text(), QString("smtp.x.y"));
        QCOMPARE(listed(), QStringList({"first@x.y", "ops@x.y"}));

        // Shown again, the list gains nothing it already holds.
        page->showAbout();
        page->showSettings();
        QCOMPARE(listed(), QStringList({"first@x.y", "ops@x.y"}));
        QCOMPARE(address()->currentText(), QString("ops@x.y"));
    }

    void okStoresTheFieldsRemembersTheAddressOnceAndSaves() {
        page->showSettings();
        typeInto(address(), "ops@x.y");
        typeInto(server(), "mail-1.x.y");
        click("comOKSetting");
        QCOMPARE(state->mail.CurrentAddress, std::string("ops@x.y"));
        QCOMPARE(state->mail.ServerAddress, std::string("mail-1.x.y"));
        QCOMPARE(state->mail.AddressCount, 1);
        QCOMPARE(state->mail.Addresses[0], std::string("ops@x.y"));
        QCOMPARE(listed(), QStringList({"ops@x.y"}));
        QCOMPARE(address()->currentText(), QString("ops@x.y"));
        QCOMPARE(saves, 1);
        QVERIFY(platform->messages.empty());

        // The same address again, and then one picked from the list, add nothing but
        // become the receiver.
        click("comOKSetting");
        typeInto(address(), "b@x.y");
        click("comOKSetting");
        address()->setCurrentIndex(0);
        click("comOKSetting");
        QCOMPARE(state->mail.AddressCount, 2);
        QCOMPARE(listed(), QStringList({"ops@x.y", "b@x.y"}));
        QCOMPARE(state->mail.CurrentAddress, std::string("ops@x.y"));
        QCOMPARE(saves, 4);
    }

    void okWithAnEmptyFieldWarnsThenStoresAndSaves_data() {
        QTest::addColumn<QString>("typedAddress");
        QTest::addColumn<QString>("typedServer");
        QTest::newRow("no address") << ""
                                    << "smtp.x.y";
        QTest::newRow("no server") << "ops@x.y"
                                   << "";
    }
    void okWithAnEmptyFieldWarnsThenStoresAndSaves() {
        QFETCH(QString, typedAddress);
        QFETCH(QString, typedServer);
        state->mail.ServerAddress = "old.x.y";
        state->mail.CurrentAddress = "old@x.y";
        page->showSettings();
        typeInto(address(), typedAddress);
        typeInto(server(), typedServer);
        click("comOKSetting");
        QCOMPARE(platform->messages, std::vector<std::string>{kMailEmptyMessage});
        QCOMPARE(saves, 1);
        QCOMPARE(messagesAtLastSave, size_t(1));  // the message came before the save
        QCOMPARE(state->mail.CurrentAddress, typedAddress.toStdString());
        QCOMPARE(state->mail.ServerAddress, typedServer.toStdString());
        QCOMPARE(int(state->mail.AddressCount), typedAddress.isEmpty() ? 0 : 1);
        QCOMPARE(address()->count(), typedAddress.isEmpty() ? 0 : 1);
    }

    void aNewAddressWhenAllPlacesAreTakenPushesOutTheOldest() {
        for (int i = 0; i < MailSettings::kMaxAddresses; ++i)
            state->mail.Addresses[size_t(i)] = "a" + std::to_string(i) + "@x.y";
        state->mail.AddressCount = MailSettings::kMaxAddresses;
        state->mail.ServerAddress = "smtp.x.y";
        page->showSettings();
        QCOMPARE(address()->count(), MailSettings::kMaxAddresses);

        typeInto(address(), "new@x.y");
        click("comOKSetting");
        QCOMPARE(int(state->mail.AddressCount), MailSettings::kMaxAddresses);
        QCOMPARE(state->mail.Addresses.front(), std::string("a1@x.y"));
        QCOMPARE(state->mail.Addresses.back(), std::string("new@x.y"));
        QCOMPARE(address()->count(), MailSettings::kMaxAddresses);
        QCOMPARE(address()->findText("a0@x.y"), -1);
        QCOMPARE(address()->itemText(address()->count() - 1), QString("new@x.y"));
        QCOMPARE(address()->currentText(), QString("new@x.y"));
    }

    void theAddressFieldTakesOnlyAddressKeys() {
        page->showSettings();
        QTest::keyClicks(address(), "new_user@my-site.com");
        QCOMPARE(address()->currentText(), QString("new_user@my-site.com"));
        QTest::sendKeyEvent(QTest::Click, address(), Qt::Key_Eacute, QString::fromUtf8("é"), Qt::NoModifier);
        QTest::keyClicks(address(), ", <>+Z9");
        QCOMPARE(address()->currentText(), QString("new_user@my-site.com+Z9"));
        QTest::keyClick(address(), Qt::Key_Backspace);
        QCOMPARE(address()->currentText(), QString("new_user@my-site.com+Z"));
        // Enter confirms nothing into the list: the list is the mail settings' to keep.
        QTest::keyClick(address(), Qt::Key_Return);
        QCOMPARE(address()->count(), 0);
        QCOMPARE(address()->currentText(), QString("new_user@my-site.com+Z"));

        // The server field has no such filter.
        QTest::keyClicks(server(), "mail-1_a.x.y");
        QCOMPARE(server()->text(), QString("mail-1_a.x.y"));
    }

    void deleteAddressRecordForgetsTheReceiversButNotTheServer() {
        remember({"a@x.y", "b@x.y"});
        state->mail.CurrentAddress = "b@x.y";
        state->mail.ServerAddress = "smtp.x.y";
        page->showSettings();
        click("comDeleteMailAdd");
        QCOMPARE(address()->count(), 0);
        QCOMPARE(address()->currentText(), QString());
        QCOMPARE(int(state->mail.AddressCount), 0);
        QCOMPARE(state->mail.Addresses[0], std::string());
        QCOMPARE(state->mail.Addresses[1], std::string());
        QCOMPARE(state->mail.CurrentAddress, std::string());
        QCOMPARE(state->mail.ServerAddress, std::string("smtp.x.y"));
        QCOMPARE(server()->text(), QString("smtp.x.y"));
        QCOMPARE(saves, 0);  // the file keeps them until the next save

        // Forgotten addresses do not come back when the page is shown again.
        page->showAbout();
        page->showSettings();
        QCOMPARE(address()->count(), 0);
    }

    void systemInformationAsksThePlatform() {
        page->showSettings();
        click("ComSysInfo");
        click("ComSysInfo");
        QCOMPARE(platform->calls, std::vector<std::string>({"system information", "system information"}));
        QVERIFY(platform->messages.empty());
    }
};

QTEST_MAIN(ScreenPageTest)
#include "screen_page_test.moc"
