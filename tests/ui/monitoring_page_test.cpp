// The System Monitoring page over the real core, with a recorder for the hardware library
// and for the alarm's actions.
#include "monitoring_page.h"

#include <QGroupBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QSlider>
#include <QTabBar>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <functional>
#include <optional>
#include <utility>

#include "alarm.h"
#include "poll_cycle.h"
#include "qt_event_pump.h"
#include "recording_source.h"
#include "startup.h"

using namespace qorv;

namespace {

// Keeps the names of the sensors an alarm mailed about; does nothing else.
class AlarmRecorder final : public SystemActions, public AlarmActions {
public:
    void tone(int32_t, int32_t) override {}
    void sendAlertMail(const std::string& name, const std::string&, const std::string&, const std::string&) override {
        mails.push_back(name);
        if (onMail) onMail();
    }
    void runCountdown(AlarmHandOver&) override {}
    void saveSettings() override {}
    void removeTrayIcon() override {}
    void exitSystem(int) override {}
    void endProcess(int) override {}
    void report(const std::string&) override {}

    std::vector<std::string> mails;
    std::function<void()> onMail;
};

// A board of two fans (the second fails), three voltages (the third fails), a duty sensor
// in no group and two temperatures of the same name. Thresholds are wide: no alarms.
struct Rig {
    Rig() {
        add("CPU1 FAN", 40, "RPM", 4000);
        add("CPU2 FAN", 41, "RPM", std::nullopt);
        add("CPU1 Vcore", 20, "V", 1.5);
        add("+12V", 21, "V", 12.3456);
        add("-12V", 22, "V", std::nullopt);
        add("Fan duty", 50, "%", 40);
        add("CPU Temp", 60, "C", 30);
        add("CPU Temp", 61, "C", 40);
        state.mail.CurrentAddress = "ops@example.org";
        state.mail.ServerAddress = "mail.example.org";
        page.LayoutReadingPages();
        page.show();
    }

    void add(const std::string& name, int channel, const std::string& unit, std::optional<double> value) {
        SensorSlot& s = state.table[state.table.count++];
        s.Name = name;
        s.ChipId = "HWM1";
        s.Channel = uint8_t(channel);
        s.Unit = unit;
        s.HighThreshold = 1e9;
        s.LowThreshold = -1e9;
        library.answer("HWM1", channel, {value});
    }
    // Every good reading of the slot raises an alarm that mails.
    void alarmOn(int slot) {
        state.table[slot].HighThreshold = -1e9;
        state.table[slot].Email = kFlagOn;
    }

    template <typename T>
    T* find(const QString& name) {
        T* child = page.findChild<T*>(name);
        if (!child) qFatal("no %s", qPrintable(name));
        return child;
    }
    QTableWidget* grid(int g) { return find<QTableWidget>(QStringLiteral("MSFlexGridFan_%1").arg(g)); }
    QWidget* panel(int g) { return find<QWidget>(QStringLiteral("PictureMonitor_%1").arg(g)); }
    QSlider* slider(int g) { return find<QSlider>(QStringLiteral("SliderForfan_%1").arg(g)); }
    QGroupBox* frame(int g) { return find<QGroupBox>(QStringLiteral("Frame1_%1").arg(g)); }
    QTimer* timer(const QString& name) { return find<QTimer>(name); }

    void clickTab(int g) {
        QTabBar* tabs = page.tabStrip();
        QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(g).center());
    }
    void clickRow(int g, int row) {
        QTableWidget* t = grid(g);
        QTest::mouseClick(t->viewport(), Qt::LeftButton, {}, t->visualItemRect(t->item(row - 1, 0)).center());
    }
    QStringList rowTexts(int g, int row) {
        QTableWidget* t = grid(g);
        return {t->item(row - 1, 0)->text(), t->item(row - 1, 1)->text(), t->item(row - 1, 2)->text()};
    }
    QColor rowColourOf(int g, int row) { return grid(g)->item(row - 1, 0)->background().color(); }

    MonitorState state;
    testing::RecordingSource library;
    AlarmRecorder actions;
    QtEventPump pump;
    Alarm alarm{state.table, state.mail, library, actions, actions, pump};
    PollCycle cycle{state.table, library, alarm, pump};
    int countdownsClosed = 0;
    MonitoringPage page{state, cycle, [this] { ++countdownsClosed; }};
};

QColor qcolor(Rgb c) { return QColor(c.r, c.g, c.b); }
QString text(const std::string& s) { return QString::fromStdString(s); }
QStringList texts(const std::vector<std::string>& v) {
    QStringList list;
    for (const std::string& s : v) list << text(s);
    return list;
}

}  // namespace

class MonitoringPageTest : public QObject {
    Q_OBJECT

private slots:
    void layoutCountsGroupsAndKeepsTheChosenTab() {
        Rig rig;
        rig.clickTab(2);
        rig.page.LayoutReadingPages();
        const auto& counts = rig.state.groups.groupCount;
        QCOMPARE(QList<int>({counts[0], counts[1], counts[2]}), QList<int>({2, 3, 2}));  // "%" counts nowhere
        QVERIFY(rig.panel(0)->isVisible() && rig.panel(0)->isEnabled());
        for (int g : {1, 2}) QVERIFY(!rig.panel(g)->isVisible() && !rig.panel(g)->isEnabled());
        // Shown again, the page refreshes the group the user left it on.
        QCOMPARE(rig.page.tabStrip()->currentIndex(), 2);
        rig.page.startMonitorInit();
        QTRY_VERIFY(rig.panel(2)->isVisible());
        QVERIFY(!rig.panel(0)->isVisible());
    }

    void fillShowsTheGroupAndAlarmsOnlyItsGoodReadings() {
        Rig rig;
        for (int slot = 0; slot < rig.state.table.count; ++slot) rig.alarmOn(slot);
        rig.clickTab(kVoltageGroup);

        QCOMPARE(rig.grid(1)->rowCount(), 3);
        QCOMPARE(rig.rowTexts(1, 1), QStringList({"CPU1 Vcore", "1.5", "V"}));
        QCOMPARE(rig.rowTexts(1, 2), QStringList({"+12V", "12.346", "V"}));
        QCOMPARE(rig.rowTexts(1, 3), QStringList({"-12V", "Read Failed", "V"}));
        QCOMPARE(text(rig.state.table[3].ReadingText), QString("12.3456"));
        QCOMPARE(rig.rowColourOf(1, 1), qcolor(kOddRowColour));
        QCOMPARE(rig.rowColourOf(1, 2), qcolor(kEvenRowColour));
        QCOMPARE(rig.rowColourOf(1, 3), qcolor(kOddRowColour));
        // Every sensor was read, but only the voltages that read well were evaluated.
        QCOMPARE(text(rig.state.table[0].ReadingText), QString("4000"));
        QCOMPARE(texts(rig.actions.mails), QStringList({"CPU1 Vcore", "+12V"}));
        QCOMPARE(rig.grid(0)->rowCount(), 0);
        // The next pass shows what changed since and keeps what did not.
        rig.library.answer("HWM1", 21, {std::nullopt});
        rig.library.answer("HWM1", 22, {-11.9});
        rig.page.refreshVisibleGroup();
        QCOMPARE(rig.rowTexts(1, 1), QStringList({"CPU1 Vcore", "1.5", "V"}));
        QCOMPARE(rig.rowTexts(1, 2), QStringList({"+12V", "Read Failed", "V"}));
        QCOMPARE(rig.rowTexts(1, 3), QStringList({"-12V", "-11.9", "V"}));
    }

    void gaugeFollowsTheLastReadingUpsideDown_data() {
        QTest::addColumn<int>("group");
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("slider");
        QTest::addColumn<QString>("caption");
        QTest::newRow("fan 4000 RPM") << 0 << 1 << 20 << QString("CPU1 FAN");
        QTest::newRow("failed fan at the bottom") << 0 << 2 << 40 << QString("CPU2 FAN");
        QTest::newRow("12.3456 V in whole volts") << 1 << 2 << 90 - (45 + 36) << QString("+12V");
        // The second "CPU Temp" row chooses the first sensor of that name: 30 C.
        QTest::newRow("30 C, by name") << 2 << 2 << 34 << QString("CPU Temp");
    }
    void gaugeFollowsTheLastReadingUpsideDown() {
        QFETCH(int, group);
        QFETCH(int, row);
        QFETCH(int, slider);
        QFETCH(QString, caption);
        Rig rig;
        if (group != 0)
            rig.clickTab(group);
        else
            rig.page.refreshVisibleGroup();
        rig.clickRow(group, row);
        QTRY_COMPARE_WITH_TIMEOUT(rig.slider(group)->value(), slider, 5000);
        QCOMPARE(rig.frame(group)->title(), caption);
    }

    void rowClickChoosesTheGaugeSensor() {
        Rig rig;
        rig.clickTab(kTemperatureGroup);
        rig.clickRow(2, 2);
        QCOMPARE(int(rig.state.groups.gaugeGroup), int(kTemperatureGroup));
        QCOMPARE(int(rig.state.groups.gaugeSensor), 6);
        QCOMPARE(rig.frame(2)->title(), QString("CPU Temp"));
        QCOMPARE(rig.rowColourOf(2, 1), qcolor(kOddRowColour));
        QCOMPARE(rig.rowColourOf(2, 2), qcolor(kGaugeRowColour));
        QTimer* gauge = rig.timer("TimerFormoniter_2");
        QVERIFY(gauge->isActive());
        QCOMPARE(gauge->interval(), 1500);
        // The next refresh paints the chosen sensor's row in the gauge colour again.
        rig.page.refreshVisibleGroup();
        QCOMPARE(rig.rowColourOf(2, 1), qcolor(kGaugeRowColour));
        QCOMPARE(rig.rowColourOf(2, 2), qcolor(kEvenRowColour));
    }

    void monitorButtonSwitchesTimedRefreshes() {
        Rig rig;
        auto* button = rig.find<QPushButton>("comEnableMonitor");
        auto* lamp = rig.find<QWidget>("lampForMonitor");
        QTimer* go = rig.timer("TimerForMonitorGo");
        auto lampColour = [&] { return lamp->grab().toImage().pixelColor(lamp->rect().center()); };

        QCOMPARE(button->text(), QString("Turn Monitor On"));
        QCOMPARE(lampColour(), QColor(255, 0, 0));
        QVERIFY(!go->isActive());

        QTest::mouseClick(button, Qt::LeftButton);
        QCOMPARE(button->text(), QString("Turn Monitor Off"));
        QCOMPARE(lampColour(), QColor(0, 255, 0));
        QVERIFY(go->isActive());
        QCOMPARE(go->interval(), 15000);
        QVERIFY(rig.page.monitoring());

        QTest::mouseClick(button, Qt::LeftButton);
        QCOMPARE(button->text(), QString("Turn Monitor On"));
        QCOMPARE(lampColour(), QColor(255, 0, 0));
        QVERIFY(!go->isActive());
        QVERIFY(!rig.page.monitoring());
    }

    void monitorInitRefreshesOnceAndStartsTheFanGauge() {
        Rig rig;
        rig.page.startMonitorInit();
        QTRY_COMPARE(rig.countdownsClosed, 1);
        QCOMPARE(rig.library.reads, rig.state.table.count);
        QCOMPARE(rig.grid(0)->rowCount(), 2);
        QVERIFY(rig.timer("TimerFormoniter_0")->isActive());
        QTest::qWait(50);
        QCOMPARE(rig.countdownsClosed, 1);
        QVERIFY(!rig.timer("TimerForMonitorInit")->isActive());
    }

    void tabClickRefreshesTheNewGroup() {
        Rig rig;
        rig.page.refreshVisibleGroup();
        rig.clickRow(0, 1);
        QCOMPARE(rig.frame(0)->title(), QString("CPU1 FAN"));

        rig.clickTab(kTemperatureGroup);
        QCOMPARE(rig.countdownsClosed, 2);
        QCOMPARE(rig.grid(2)->rowCount(), 2);
        QCOMPARE(rig.rowTexts(2, 1), QStringList({"CPU Temp", "30", "C"}));
        QVERIFY(rig.panel(2)->isVisible() && rig.panel(2)->isEnabled());
        QVERIFY(!rig.panel(0)->isVisible() && !rig.panel(0)->isEnabled());
        QCOMPARE(rig.frame(0)->title(), QString());
    }

    // An alarm inside a fill lets events run; a refresh asked for then must not start a
    // second fill, and a tab chosen then is shown once the running fill ends.
    void refreshDuringAFillWaitsForIt() {
        Rig rig;
        rig.alarmOn(2);
        int readsBefore = -1, readsAfter = -1;
        bool nested = false;
        rig.actions.onMail = [&] {
            if (std::exchange(nested, true)) return;
            readsBefore = rig.library.reads;
            rig.page.refreshVisibleGroup();
            readsAfter = rig.library.reads;
            rig.page.tabStrip()->setCurrentIndex(kTemperatureGroup);
        };
        rig.clickTab(kVoltageGroup);

        QCOMPARE(readsAfter, readsBefore);
        QCOMPARE(rig.grid(1)->rowCount(), 3);
        QCOMPARE(rig.rowTexts(1, 3), QStringList({"-12V", "Read Failed", "V"}));
        QCOMPARE(rig.countdownsClosed, 2);  // the voltage refresh, then the temperature one
        QCOMPARE(rig.grid(2)->rowCount(), 2);
        QVERIFY(rig.panel(2)->isVisible());
        QVERIFY(!rig.panel(1)->isVisible());
    }
};

QTEST_MAIN(MonitoringPageTest)
#include "monitoring_page_test.moc"
