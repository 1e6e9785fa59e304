// The window from the keyboard alone, under the offscreen platform: every key goes to the
// widget that has the focus, as a keyboard's would, and nothing is clicked.
#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <algorithm>
#include <functional>
#include <tuple>
#include <vector>

#include "board_select_dialog.h"
#include "board_view_page.h"
#include "countdown_dialog.h"
#include "main_window.h"
#include "monitoring_page.h"
#include "reading_grid_widget.h"
#include "recorded_window.h"
#include "sensor_panel.h"
#include "settings_file.h"
#include "system_platform.h"
#include "tray_icon.h"

using namespace qorv;

namespace {

QWidget* focused() { return QApplication::focusWidget(); }
QString focusName() { return focused() ? focused()->objectName() : QString(); }

// One key to the widget with the focus, or to the active window when none has it.
void press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QWidget* target = focused() ? focused() : QApplication::activeWindow();
    QTest::keyClick(target, key, modifiers);
}

// Tabs until name has the focus; false when a round of the whole window never reaches it.
bool tabTo(const QString& name) {
    for (int i = 0; i < 80 && focusName() != name; ++i) press(Qt::Key_Tab);
    return focusName() == name;
}

// The names Tab reaches from the focus on, once round the window.
QStringList tabRound() {
    const QString first = focusName();
    QStringList seen{first};
    for (int i = 0; i < 80; ++i) {
        press(Qt::Key_Tab);
        if (focusName() == first) break;
        seen << focusName();
    }
    return seen;
}

// Runs open(), which shows a modal dialog and returns what became of it, and presses keys
// on the dialog once it is up. A dialog the keys leave open is closed and said so.
QString answer(const std::function<QString()>& open, const std::vector<Qt::Key>& keys) {
    bool leftOpen = false;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (dialog && QTest::qWaitForWindowActive(dialog))
            for (Qt::Key key : keys) press(key);
        if (dialog && QApplication::activeModalWidget() == dialog) {
            leftOpen = true;
            dialog->done(QDialog::Rejected);
        }
    });
    const QString outcome = open();
    return leftOpen ? QStringLiteral("left open") : outcome;
}

}  // namespace

class KeyboardWalkTest : public QObject, private testing::RecordedWindow {
    Q_OBJECT

private:
    QTemporaryDir folder;

    bool shows(const char* name) {
        auto* widget = window->findChild<QWidget*>(name);
        return widget && widget->isVisible();
    }

private slots:
    void initTestCase() { QVERIFY(folder.isValid()); }

    void aWalkThroughTheWindowWithKeysOnly() {
        // M4430 at first use, opened on the monitoring page as the program opens.
        makeRecordedWindow(folder, true, kYes);
        window->showMonitoringPage();
        window->show();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
        const int temperature = 14;  // CPU1 Temp, HWM1 channel 129, high threshold 75
        library->answer("HWM1", 129, {45});
        const QStringList strip{"L_about", "L_Real", "L_Settings", "L_Qorvanescope", "L_Exit"};

        const struct {
            const char* button;
            Qt::Key key;
            const char* shown;
        } pages[] = {{"L_about", Qt::Key_Return, "txtBoxAgreement"},
                     {"L_Settings", Qt::Key_Space, "FrmSetting"},
                     {"L_Real", Qt::Key_Enter, "screen_Monitor"}};
        for (const auto& page : pages) {
            QVERIFY2(tabTo(page.button), page.button);
            press(page.key);
            QVERIFY2(shows(page.shown), page.shown);
        }
        QVERIFY(tabTo("L_about"));
        QCOMPARE(tabRound(), (strip + QStringList{"TabStripMonitor", "comEnableMonitor", "MSFlexGridFan_0",
                                                  "HistoryRange_600", "HistoryRange_3600", "HistoryRange_86400"}));

        // The fan grid: a focus frame on its current row; Enter makes the row the gauge's.
        auto* grid = window->findChild<ReadingGridWidget*>("MSFlexGridFan_0");
        QTRY_COMPARE(grid->nameAt(2), std::string("CPU2 FAN"));
        const QImage gridBefore = grid->grab().toImage();
        QVERIFY(tabTo(grid->objectName()));
        QVERIFY(grid->grab().toImage() != gridBefore);
        press(Qt::Key_Down);
        press(Qt::Key_Return);
        QCOMPARE(state->groups.gaugeSensor, int16_t(1));

        // The board's targets in reading order: from the top down, left to right on a line.
        QVERIFY(tabTo("L_Qorvanescope"));
        press(Qt::Key_Return);
        QVERIFY(shows("ScreenScope"));
        std::vector<int> order;
        for (int i = 0; i < state->table.count; ++i) order.push_back(i);
        std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
            const SensorSlot &x = state->table[a], &y = state->table[b];
            return std::tie(x.LabelTop, x.LabelLeft) < std::tie(y.LabelTop, y.LabelLeft);
        });
        QStringList targets;
        for (int slot : order) targets << QString("LabelOnSensor_%1").arg(slot);
        QVERIFY(tabTo("L_about"));
        QCOMPARE(tabRound(), strip + targets);

        QLabel* target = window->boardViewPage()->sensorLabel(temperature);
        const QImage targetBefore = target->grab().toImage();
        QVERIFY(tabTo(target->objectName()));
        QVERIFY(target->grab().toImage() != targetBefore);
        press(Qt::Key_Space);
        SensorPanel* panel = window->boardViewPage()->sensorPanel();
        QVERIFY(panel->isVisible());
        QCOMPARE(panel->currentSensor(), temperature);
        QCOMPARE(focusName(), QString("TextHighLmt"));
        press(Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(focused(), "70");
        press(Qt::Key_Escape);
        QVERIFY(!panel->isVisible());
        QCOMPARE(focused(), target);

        press(Qt::Key_Q, Qt::ControlModifier);
        QCOMPARE(platform->calls.back(), std::string("end 0"));
        QVERIFY(!window->tray().added());
        SensorTable saved;
        MailSettings mail;
        LoadSettings(folder.filePath("QHwmset").toStdString(), state->table.count, saved, mail);
        QCOMPARE(saved[temperature].HighThreshold, 70.0);
    }

    void theDialogsAnswerTheKeyboard() {
        auto chooseBoard = [] {
            BoardSelectDialog dialog;
            const int result = dialog.exec();
            return QString("%1 %2").arg(result).arg(dialog.boardName());
        };
        auto countdown = [] {
            AlarmHandOver handOver;
            handOver.countdownResult = -1;
            SensorSlot sensor;
            sensor.ShutDown = 1;
            CountdownDialog(countdownTexts("M4430", sensor, kHighAlertText), handOver).exec();
            return QString::number(handOver.countdownResult);
        };
        auto message = [] {
            SystemPlatform().message("The settings could not be saved.");
            return QString("closed");
        };
        const struct {
            std::function<QString()> open;
            std::vector<Qt::Key> keys;
            QString outcome;
        } rows[] = {{chooseBoard, {Qt::Key_Down, Qt::Key_Space, Qt::Key_Return}, "1 M4410"},
                    {chooseBoard, {Qt::Key_Escape}, "0 "},
                    {countdown, {Qt::Key_Return}, "-1"},  // Enter cancels: it must not stop the machine
                    {message, {Qt::Key_Escape}, "closed"}};
        for (const auto& row : rows) QCOMPARE(answer(row.open, row.keys), row.outcome);
    }
};

QTEST_MAIN(KeyboardWalkTest)
#include "keyboard_walk_test.moc"
