// The main window under the offscreen platform, over the real core with a recording
// library and platform.
#include <QAccessible>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QSystemTrayIcon>
#include <QTabBar>
#include <QTemporaryDir>
#include <QtTest>
#include <algorithm>
#include <atomic>
#include <thread>

#include "board_select_dialog.h"
#include "board_view_page.h"
#include "countdown_dialog.h"
#include "gauge_widget.h"
#include "main_window.h"
#include "monitoring_page.h"
#include "recorded_window.h"
#include "screen_page.h"
#include "settings_file.h"
#include "single_instance.h"
#include "tray_icon.h"

using namespace qorv;

class MainWindowTest : public QObject, private testing::RecordedWindow {
    Q_OBJECT

private:
    QTemporaryDir folder;

    // A program folder with one board and, unless told otherwise, its picture.
    void makeWindow(bool withPicture = true, bool chosen = true) {
        makeRecordedWindow(folder, withPicture, chosen ? kNo : kYes);
    }
    QWidget* page(const char* name) { return window->findChild<QWidget*>(name); }
    // Exactly the named container is visible and enabled; the pages made at their first use
    // may not be made yet while another page is shown.
    void expectOnly(const char* shown) {
        for (const char* name : {"Screen", "screen_Monitor", "ScreenScope"}) {
            QWidget* p = page(name);
            if (!p && std::string(name) != "screen_Monitor" && std::string(shown) != name) continue;
            QVERIFY2(p, name);
            const bool isShown = std::string(name) == shown;
            QCOMPARE(p->isVisibleTo(window.get()), isShown);
            QCOMPARE(p->isEnabled(), isShown);
        }
    }

private slots:
    void initTestCase() { QVERIFY(folder.isValid()); }

    void loadsTheBoardAndCaption() {
        makeWindow();
        QCOMPARE(window->windowTitle(), QString("Qorvane System Monitor -M4430"));
        QCOMPARE(window->objectName(), QString("mainForm"));
        QVERIFY(window->tray().added());
        QCOMPARE(window->tray().icon()->toolTip(), QString("Qorvane System Monitor"));
        QCOMPARE(state->table.count, 17);
        QCOMPARE(library->calls.front(), std::string("ReleaseDLL"));
        // Loading a second time adds no second icon and binds the library again.
        window->load();
        QVERIFY(window->tray().added());
        QCOMPARE(library->calls.size(), size_t(4));
    }

    void firstUseWritesTheSettingsFile() {
        makeWindow(true, false);
        QCOMPARE(QString::fromStdString(readChosenBoard(folder.filePath("QHwmset").toStdString())), QString("M4430"));
        QCOMPARE(state->table[0].BeepFre, 1000);
    }

    // Hidden, the window goes on reading; shown again, its gauge and caption show the last
    // reading at once, not a tick later.
    void aWindowShownAgainShowsTheLastReadingAtOnce() {
        makeWindow();
        window->show();
        window->showMonitoringPage();
        const SensorSlot& gauged = state->table[state->groups.gaugeSensor];
        auto* frame = window->findChild<QGroupBox*>("Frame1_0");
        QVERIFY(frame);
        QTRY_COMPARE(frame->title(), QString::fromStdString(gauged.Name));
        auto* gaugeTimer = window->findChild<QTimer*>("TimerFormoniter_0");
        QVERIFY(gaugeTimer->isActive());
        window->hide();
        QVERIFY(!gaugeTimer->isActive());
        library->answer("HWM1", 40, {3210});
        const int before = library->reads;
        window->monitoringPage()->refreshVisibleGroup();
        QVERIFY(library->reads > before);
        QCOMPARE(QString::fromStdString(gauged.ReadingText), QString("3210"));
        window->show();
        QVERIFY(gaugeTimer->isActive());
        QCOMPARE(frame->title(), QString::fromStdString(gauged.Name));
        QCOMPARE(
            QAccessible::queryAccessibleInterface(window->findChild<QGroupBox*>("Frame1_0")->findChild<GaugeWidget*>())
                ->text(QAccessible::Value),
            QString("3210 RPM"));
    }

    void switchesPagesOneAtATime() {
        makeWindow();
        window->show();
        window->showAboutPage();
        expectOnly("Screen");
        QVERIFY(page("txtBoxAgreement")->isVisibleTo(window.get()));
        window->showSettingsPage();
        expectOnly("Screen");
        QVERIFY(page("FrmSetting")->isVisibleTo(window.get()));
        QVERIFY(!page("txtBoxAgreement")->isVisibleTo(window.get()));
        window->showBoardViewPage();
        expectOnly("ScreenScope");
        window->showMonitoringPage();
        expectOnly("screen_Monitor");
        // The monitoring page refreshes its visible group a moment after it opens.
        const int before = library->reads;
        QTRY_VERIFY(library->reads >= before + state->table.count);
    }

    void navigationStripRunsItsCommands() {
        makeWindow();
        window->show();
        QWidget* about = window->findChild<QWidget*>("L_about");
        QVERIFY(about);
        QTest::mouseClick(about, Qt::LeftButton);
        expectOnly("Screen");
        QTest::mouseClick(window->findChild<QWidget*>("L_Qorvanescope"), Qt::LeftButton);
        expectOnly("ScreenScope");
        QTest::mouseClick(window->findChild<QWidget*>("L_Exit"), Qt::LeftButton);
        QVERIFY(platform->ended);
    }

    void closingOrMinimisingOnlyHides() {
        makeWindow();
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        window->close();
        QVERIFY(!window->isVisible());
        QVERIFY(!platform->ended);
        window->tray().restoreWindow();
        QVERIFY(window->isVisible());
        window->showMinimized();
        QTRY_VERIFY(!window->isVisible());
        window->tray().restoreWindow();
        QVERIFY(window->isVisible());
        QVERIFY(!window->isMinimized());
    }

    void withoutANotificationAreaClosingMinimisesAndSaysWhyOnce() {
        makeWindow();
        platform->notificationArea = false;
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        window->close();
        QTRY_VERIFY(window->isMinimized());
        window->showNormal();
        window->showMinimized();
        QTest::qWait(20);
        QVERIFY(window->isVisible());
        const auto told = std::count_if(platform->messages.begin(), platform->messages.end(),
                                        [](const std::string& m) { return m.find("no notification area") != m.npos; });
        QCOMPARE(told, 1);
        // One appears: closing hides again.
        platform->notificationArea = true;
        window->showNormal();
        window->close();
        QVERIFY(!window->isVisible());
    }

    void theWindowExitSavesAndTheMenuExitReleases() {
        makeWindow();
        state->table[0].HighThreshold = 1234;
        window->exitFromWindow();
        QVERIFY(!window->tray().added());
        QCOMPARE(platform->calls.back(), std::string("end 0"));
        SensorTable back;
        MailSettings mail;
        LoadSettings(folder.filePath("QHwmset").toStdString(), 1, back, mail);
        QCOMPARE(back[0].HighThreshold, 1234.0);

        makeWindow();
        state->table[0].HighThreshold = 999;
        const size_t before = library->calls.size();
        window->exitFromMenu();
        QCOMPARE(library->calls.at(before), std::string("ReleaseDLL"));
        QVERIFY(!window->tray().added());
        QVERIFY(platform->ended);
        QVERIFY(!QFile::exists(folder.filePath("QHwmset")));  // nothing saved
    }

    void theTrayMenuHoldsItsEntriesInOrder() {
        makeWindow();
        QStringList entries;
        for (QAction* a : window->trayMenu()->actions()) entries << (a->isSeparator() ? "-" : a->text());
        QCOMPARE(entries, (QStringList{"-", "&About QVN ...", "-", "&System Monitoring", "-", "&General Setting", "-",
                                       "&Qorvanescope", "-", "&Exit Qorvane System", "-"}));
        window->findChild<QAction*>("mnuGraphCon")->trigger();
        expectOnly("ScreenScope");
    }

    void theBoardViewLaysLabelsOutFromTheBoardFile() {
        makeWindow();
        window->showBoardViewPage();
        BoardViewPage* view = window->boardViewPage();
        QVERIFY(!view->picture()->pixmap().isNull());
        const SensorSlot& first = state->table[0];
        QCOMPARE(view->sensorLabel(0)->geometry(),
                 QRect(first.LabelLeft, first.LabelTop, first.LabelWidth, first.LabelHeight));
        for (int i = 0; i < BoardViewPage::kSensorLabels; ++i)
            QCOMPARE(view->sensorLabel(i)->isVisibleTo(view), i < state->table.count);
        QVERIFY(platform->messages.empty());
    }

    void aMissingPictureIsReportedOnce() {
        makeWindow(false);
        window->showBoardViewPage();
        window->showAboutPage();
        window->showBoardViewPage();
        QCOMPARE(platform->messages.size(), size_t(1));
        QVERIFY(platform->messages[0].find("M4430.jpg") != std::string::npos);
        QVERIFY(window->findChild<QLabel*>("LabelNoPicture")->isVisibleTo(window->boardViewPage()));
        QVERIFY(window->boardViewPage()->sensorLabel(0)->isVisibleTo(window->boardViewPage()));
    }

    void theCountdownProceedsOnTheFiftyFirstTick() {
        AlarmHandOver handOver;
        handOver.countdownResult = -1;
        SensorSlot s;
        s.Name = "CPU1 Temp";
        s.ShutDown = 1;
        CountdownDialog dialog(countdownTexts("M4430", s, kHighAlertText), handOver);
        dialog.show();
        QCOMPARE(dialog.findChild<QLabel*>("LabelWarning")->text(),
                 QString("QORVANE M4430 CPU1 Temp overflow the High Threshold!"));
        QCOMPARE(dialog.findChild<QLabel*>("Label1")->text(),
                 QString("    Operation System will be shutdown after 15 seconds..."));
        QCOMPARE(dialog.findChild<QTimer*>("TimerForWaiting")->interval(), 300);
        for (int tick = 1; tick <= 50; ++tick) dialog.tick();
        QVERIFY(dialog.isVisible());
        QCOMPARE(handOver.countdownResult, int16_t(-1));
        dialog.tick();
        QVERIFY(!dialog.isVisible());
        QCOMPARE(handOver.countdownResult, int16_t(0));
    }

    void theCountdownsButtonsAndEscape() {
        SensorSlot s;
        s.Reboot = 1;
        for (const char* how : {"FlatBttnOK", "FlatBttnCancel", "escape"}) {
            AlarmHandOver handOver;
            handOver.countdownResult = -1;
            CountdownDialog dialog(countdownTexts("M4430", s, kLowAlertText), handOver);
            dialog.show();
            if (std::string(how) == "escape")
                QTest::keyClick(&dialog, Qt::Key_Escape);
            else
                QTest::mouseClick(dialog.findChild<QPushButton*>(how), Qt::LeftButton);
            QVERIFY(!dialog.isVisible());
            QCOMPARE(handOver.countdownResult, int16_t(std::string(how) == "FlatBttnOK" ? 0 : -1));
            // A closed countdown never goes ahead later.
            QTest::qWait(400);
            QCOMPARE(handOver.countdownResult, int16_t(std::string(how) == "FlatBttnOK" ? 0 : -1));
        }
    }

    void aRefreshWaitsForAnOpenCountdown() {
        makeWindow();
        window->show();
        window->showMonitoringPage();
        QTest::qWait(100);  // the page's first refresh has run
        Alarm& alarm = window->alarm();
        alarm.handOver.alertSensor = 14;
        alarm.handOver.alertText = kHighAlertText;
        bool disabledDuring = false, stayedOpen = false;
        int readsDuring = -1;
        QTimer::singleShot(50, window.get(), [&] {
            disabledDuring =
                !window->centralWidget()->isEnabled() && !window->monitoringPage()->tabStrip()->isEnabled();
            const int before = library->reads;
            window->monitoringPage()->refreshVisibleGroup();  // what the 15-second timer does
            readsDuring = library->reads - before;
            stayedOpen = window->countdownDialog() && window->countdownDialog()->isVisible();
            QTest::mouseClick(window->countdownDialog()->findChild<QPushButton*>("FlatBttnCancel"), Qt::LeftButton);
        });
        alarm.ShowCountdown();
        QVERIFY(disabledDuring);
        QVERIFY(stayedOpen);
        QCOMPARE(readsDuring, 0);
        QCOMPARE(alarm.handOver.countdownResult, int16_t(-1));
        QVERIFY(window->centralWidget()->isEnabled());
        QVERIFY(window->monitoringPage()->tabStrip()->isEnabled());
    }

    void theBoardSelectionNeedsAChoice() {
        BoardSelectDialog dialog;
        QCOMPARE(dialog.windowTitle(), QString("Login"));
        QVERIFY(dialog.findChild<QLabel*>("lblLabels")->text().startsWith("Welcom to QORVANE System Monitor."));
        dialog.show();
        QTest::mouseClick(dialog.findChild<QPushButton*>("cmdOK"), Qt::LeftButton);
        QVERIFY(dialog.isVisible());  // nothing chosen: it stays
        dialog.findChild<QRadioButton*>("Option_MB_7")->setChecked(true);
        QTest::mouseClick(dialog.findChild<QPushButton*>("cmdOK"), Qt::LeftButton);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(dialog.boardName(), QString("M4730"));

        BoardSelectDialog cancelled;
        cancelled.show();
        QTest::mouseClick(cancelled.findChild<QPushButton*>("comCancel"), Qt::LeftButton);
        QCOMPARE(cancelled.result(), int(QDialog::Rejected));
    }

    void aSecondInstanceIsRefusedAndRaisesTheFirst() {
        QTemporaryDir runtime;
        SingleInstance first(runtime.path());
        int raised = 0;
        QVERIFY(first.acquire([&] { ++raised; }));
        SingleInstance second(runtime.path());
        QVERIFY(!second.acquire({}));
        // The asking launch is another process; here a thread, so the holder's loop runs.
        std::atomic<bool> answered = false;
        std::thread asking([&] { answered = second.askHolderToRaise(); });
        QTRY_COMPARE(raised, 1);
        asking.join();
        QVERIFY(answered);
    }
};

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
