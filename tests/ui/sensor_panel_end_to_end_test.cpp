// The fan slider against the real library and the emulated board: a higher step makes the
// emulated fan turn faster, and the panel shows it within one refresh.
#include <QLabel>
#include <QSlider>
#include <QtTest>

#include "board_view_page.h"
#include "hwm_binding.h"
#include "main_window.h"
#include "recording_platform.h"
#include "sensor_panel.h"
#include "emulated_board.h"

using namespace qorv;

class SensorPanelEndToEnd : public QObject {
    Q_OBJECT

private slots:
    void theSliderChangesTheEmulatedFansSpeed() {
        testing::EmulatedBoard emulated("M4430");
        QVERIFY2(emulated.ready(), emulated.log().c_str());
        MonitorState state = emulated.firstUseState();
        testing::RecordingPlatform platform;
        HwmBinding library([](const std::string& m) { QFAIL(m.c_str()); }, QVNHWM_SHARED_LIBRARY);
        MainWindow window(state, library, platform);
        window.load();
        window.show();
        window.showBoardViewPage();
        BoardViewPage* view = window.boardViewPage();
        view->openSensorPanel(0, view->mapToGlobal(QPoint(300, 200)));  // CPU1 FAN
        auto* slider = view->sensorPanel()->findChild<QSlider*>("Slider1");
        auto* speed = view->sensorPanel()->findChild<QLabel*>("LabelSpeed");
        QCOMPARE(slider->value(), 5);  // full duty at power-on

        slider->setValue(1);  // step 1: divisor exponent 2, duty 15
        QTest::qWait(1700);   // the fan slows down
        view->sensorPanel()->refresh();
        const double slow = speed->text().toDouble();
        slider->setValue(5);  // step 5: divisor exponent 3, duty 220
        // The step restarts the refresh period: the next refresh, 5 s on, shows the new speed.
        QTRY_VERIFY_WITH_TIMEOUT(speed->text().toDouble() > slow + 1500, 6000);
        QVERIFY(slow > 0);
    }
};

QTEST_MAIN(SensorPanelEndToEnd)
#include "sensor_panel_end_to_end_test.moc"
