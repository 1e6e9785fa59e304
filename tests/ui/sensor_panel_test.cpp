// The board view's sensor panel under the offscreen platform: placement, the half by unit,
// the 5-second refresh with its evaluation, closing and hiding, edits reaching the current
// sensor, and the fan slider.
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QSlider>
#include <functional>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include "board_view_page.h"
#include "main_window.h"
#include "navigation_strip.h"
#include "recorded_window.h"
#include "sensor_panel.h"
#include "sensor_panel_logic.h"
#include "settings_file.h"
#include "threshold_field.h"

using namespace qorv;

class SensorPanelTest : public QObject, private testing::RecordedWindow {
    Q_OBJECT

private:
    QTemporaryDir folder;

    // M4430: slot 0 "CPU1 FAN" (HWM1 channel 40, PWM 91), slot 5 "CPU1 Vcore" (channel 32),
    // slot 14 "CPU1 Temp" (channel 129). First use: the board's defaults, no saved settings.
    void makeWindow() {
        makeRecordedWindow(folder, true, kYes);
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        window->showBoardViewPage();
    }
    BoardViewPage* view() { return window->boardViewPage(); }
    SensorPanel* panel() { return view()->sensorPanel(); }
    template <typename T>
    T* part(const char* name) {
        return panel()->findChild<T*>(name);
    }
    QTimer* refreshTimer() { return part<QTimer>("TimerForPic_setUpdate"); }
    // Opens slot's panel as a click at a point of the page would.
    void openAt(int slot, QPoint inPage = {300, 200}) { view()->openSensorPanel(slot, view()->mapToGlobal(inPage)); }
    int slotNamed(const std::string& name) {
        for (int i = 0; i < state->table.count; ++i)
            if (state->table[i].Name == name) return i;
        return -1;
    }
    QString colourOf(const char* name) { return part<QLabel>(name)->styleSheet(); }

private slots:
    void initTestCase() { QVERIFY(folder.isValid()); }

    void placesThePanelInsideTheWindow() {
        const QSize client(1214, 720), panelSize(380, 330);
        QCOMPARE(sensorPanelPosition({500, 200}, client, panelSize), QPoint(500, 200));
        QCOMPARE(sensorPanelPosition({1100, 200}, client, panelSize), QPoint(1214 - 380, 200));  // right edge
        QCOMPARE(sensorPanelPosition({500, 600}, client, panelSize), QPoint(500, 600 - 330));    // above
        QCOMPARE(sensorPanelPosition({1200, 700}, client, panelSize), QPoint(834, 370));         // both
        QCOMPARE(sensorPanelPosition({500, 300}, QSize(1214, 400), panelSize), QPoint(500, 0));  // kept in at the top
    }

    void readsBackTheDutyAndTurnsTheFanAtItsSpeed() {
        QCOMPARE(sliderPositionForDuty(3000, 19), 1);
        QCOMPARE(sliderPositionForDuty(3000, 20), 2);
        QCOMPARE(sliderPositionForDuty(3000, 98), 3);
        QCOMPARE(sliderPositionForDuty(3000, 179), 4);
        QCOMPARE(sliderPositionForDuty(3000, 180), 5);
        QCOMPARE(sliderPositionForDuty(0, 200), 0);  // a fan that does not turn
        QCOMPARE(sliderPositionForDuty(3000, 0), 0);
        QCOMPARE(fanFrameInterval(3000, false), std::optional<int>(17));
        QCOMPARE(fanFrameInterval(1000, false), std::optional<int>(50));
        QCOMPARE(fanFrameInterval(4, false), std::optional<int>());      // a refresh below 5 RPM stops it
        QCOMPARE(fanFrameInterval(4, true), std::optional<int>(12500));  // an opening does not
        QCOMPARE(fanFrameInterval(0, true), std::optional<int>());
        QCOMPARE(fanFrameInterval(1, true), std::optional<int>());  // 50000 ms: more than a timer holds
        QCOMPARE(fanFrameInterval(-300, true), std::optional<int>());
    }

    void opensTheHalfThatFitsTheUnit() {
        makeWindow();
        library->answer("HWM1", 32, {1.5});
        const int vcore = slotNamed("CPU1 Vcore");
        openAt(vcore);
        QVERIFY(panel()->isVisible());
        QVERIFY(part<QWidget>("PictureTem_Vol")->isVisible());
        QVERIFY(!part<QWidget>("PictureFAN")->isVisible());
        QCOMPARE(part<QLabel>("LabelTemp_Vol")->text(), QString("CPU1 Vcore"));
        QCOMPARE(part<QLabel>("LabelUnit")->text(), QString("(V)"));
        QCOMPARE(part<QLabel>("LabelValue")->text(), QString("1.5"));
        QVERIFY(colourOf("LabelValue").contains("#00ff00"));
        QCOMPARE(part<QLineEdit>("TextHighLmt")->text(), QString("1.65"));
        QCOMPARE(panel()->currentSensor(), vcore);
        QCOMPARE(panel()->openedMark(), vcore + 1);
        QVERIFY(refreshTimer()->isActive());
        QCOMPARE(refreshTimer()->interval(), 5000);

        // "rpm" in small letters is no fan.
        state->table[vcore].Unit = "rpm";
        openAt(vcore);
        QVERIFY(part<QWidget>("PictureTem_Vol")->isVisible());
    }

    void aFailedReadingStaysRedAfterALaterSuccess() {
        makeWindow();
        const int vcore = slotNamed("CPU1 Vcore");
        library->answer("HWM1", 32, {std::nullopt, 1.49});
        openAt(vcore);
        QCOMPARE(part<QLabel>("LabelValue")->text(), QString("Read Failed"));
        QVERIFY(colourOf("LabelValue").contains("#ff0000"));
        panel()->refresh();
        QCOMPARE(part<QLabel>("LabelValue")->text(), QString("1.49"));
        QVERIFY(colourOf("LabelValue").contains("#ff0000"));
    }

    void theRefreshEvaluatesTheReading() {
        makeWindow();
        const int temp = slotNamed("CPU1 Temp");
        state->table[temp].Beep = 1;
        state->table[temp].ShutDown = 0;
        state->table[temp].BeepDur = 1;
        library->answer("HWM1", 129, {45, 90});
        openAt(temp);
        QVERIFY(platform->calls.empty());
        QTRY_VERIFY_WITH_TIMEOUT(std::count(platform->calls.begin(), platform->calls.end(), "tone 1000 1") == 51, 7000);
    }

    void closesOnTheBoardAndHidesOnTheBareWindow() {
        makeWindow();
        openAt(slotNamed("CPU1 Vcore"));
        QTest::mouseMove(window->navigationStrip(), {100, 600});
        QVERIFY(!panel()->isVisible());
        QVERIFY(refreshTimer()->isActive());  // hidden, still reading
        openAt(slotNamed("CPU1 Vcore"));
        QTest::mouseMove(view()->picture(), {900, 700});
        QVERIFY(!panel()->isVisible());
        QVERIFY(!refreshTimer()->isActive());
        openAt(0);
        QTest::mouseMove(view()->sensorLabel(3), {5, 5});
        QVERIFY(!refreshTimer()->isActive());
        openAt(0);
        window->showAboutPage();
        QVERIFY(!refreshTimer()->isActive());
        window->showBoardViewPage();
        QVERIFY(!panel()->isVisible());  // coming back does not reopen it
    }

    void editsReachTheCurrentSensor() {
        makeWindow();
        const int temp = slotNamed("CPU1 Temp");
        openAt(temp);
        auto* high = part<ThresholdField>("TextHighLmt");
        high->setFocus();
        high->clear();
        QTest::keyClicks(high, "8a,2.5");  // the filter drops a and ,
        QCOMPARE(high->text(), QString("82.5"));
        emit high->left(high->text());
        QCOMPARE(state->table[temp].HighThreshold, 82.5);
        high->setText("");
        emit high->left(high->text());
        QCOMPARE(platform->messages.back(), std::string("Can not be empty !"));
        QCOMPARE(state->table[temp].HighThreshold, state->table[temp].DefaultHigh);
        high->setText("5-");
        emit high->left(high->text());
        QCOMPARE(state->table[temp].HighThreshold, state->table[temp].DefaultHigh);

        part<QCheckBox>("CheckBox6")->setChecked(true);
        auto* frequency = part<QComboBox>("ListBeepFre2");
        frequency->setCurrentIndex(0);
        emit frequency->activated(0);
        QCOMPARE(state->table[temp].Email, int16_t(1));
        QCOMPARE(state->table[temp].BeepFre, 5000);

        openAt(0);  // a fan: its limit and block 1 write the fan's slot
        auto* limit = part<ThresholdField>("TextFan_Lmt");
        limit->setText("2500");
        emit limit->left(limit->text());
        QCOMPARE(state->table[0].LowThreshold, 2500.0);
        part<QCheckBox>("CheckBox3")->setChecked(true);
        emit part<QComboBox>("ListBeepDur1")->activated(2);
        QCOMPARE(state->table[0].Reboot, int16_t(1));
        QCOMPARE(state->table[temp].Reboot, int16_t(0));
    }

    void theSliderSendsOnlyTheUsersMoves() {
        makeWindow();
        library->answer("HWM1", 40, {3000});
        library->duty = 98;
        openAt(0);
        QVERIFY(part<QWidget>("PictureFAN")->isVisible());
        auto* slider = part<QSlider>("Slider1");
        QVERIFY(slider->isEnabled());
        QCOMPARE(slider->value(), 3);
        QCOMPARE(library->calls.back(), std::string("GetFanDuty 91"));
        QCOMPARE(part<QTimer>("Timer4")->interval(), 17);
        slider->setValue(4);
        QCOMPARE(library->calls.back(), std::string("SetFanPWM2 HWM1 91 40 2 150"));

        // Reopened where the slider already stood: the opening sends nothing, and the user's
        // first move after it is sent like every other.
        library->duty = 150;
        openAt(0);
        QCOMPARE(slider->value(), 4);
        QCOMPARE(library->calls.back(), std::string("GetFanDuty 91"));
        slider->setValue(3);
        QCOMPARE(library->calls.back(), std::string("SetFanPWM2 HWM1 91 40 1 98"));
    }

    void everySaveCommitsTheEditInProgress() {
        const int vcore = 5;
        const std::pair<const char*, std::function<void()>> waysOut[] = {
            {"Exit", [&] { window->exitFromWindow(); }},
            {"a system exit's save", [&] { window->saveSettings(); }},
        };
        for (const auto& [name, leave] : waysOut) {
            makeWindow();
            openAt(vcore);
            auto* high = part<ThresholdField>("TextHighLmt");
            high->setFocus();
            high->selectAll();
            QTest::keyClicks(high, "5.6");  // and straight out, the field never left
            leave();
            SensorTable back;
            MailSettings mail;
            LoadSettings(folder.filePath("QHwmset").toStdString(), state->table.count, back, mail);
            QCOMPARE(back[vcore].HighThreshold, 5.6);
            QVERIFY2(platform->messages.empty(), name);
        }
    }

    void aFanWithoutControlMakesNoFanCall() {
        makeWindow();
        state->table[0].FanControl = 0;
        library->answer("HWM1", 40, {0});
        openAt(0);
        QVERIFY(!part<QSlider>("Slider1")->isEnabled());
        for (const std::string& call : library->calls) QVERIFY(call.rfind("GetFanDuty", 0) != 0);
        QVERIFY(!part<QTimer>("Timer4")->isActive());  // speed 0: no animation
    }
};

QTEST_MAIN(SensorPanelTest)
#include "sensor_panel_test.moc"
