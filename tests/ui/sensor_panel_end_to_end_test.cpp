// The fan slider against the real library and the emulated board: a higher step makes the
// emulated fan turn faster, and the panel shows it within one refresh.
#include <QFile>
#include <QLabel>
#include <QSlider>
#include <QTemporaryDir>
#include <QtTest>

#include "board_view_page.h"
#include "hwm_binding.h"
#include "main_window.h"
#include "recording_platform.h"
#include "sensor_panel.h"
#include "service_process.h"

using namespace qorv;

class SensorPanelEndToEnd : public QObject {
    Q_OBJECT

private slots:
    void theSliderChangesTheEmulatedFansSpeed() {
        QTemporaryDir folder;
        for (const char* ext : {".txt", ".jpg"})
            QFile::copy(QString(QORV_BOARDS_DIR) + "/M4430" + ext, folder.filePath(QString("M4430") + ext));
        const std::string socket = folder.filePath("qvnbdrv.sock").toStdString();
        testing::ServiceProcess service(folder.filePath("M4430.txt").toStdString(), socket,
                                        folder.filePath("log").toStdString());
        QVERIFY(service.ready());
        qputenv("QVNBDRV_SOCKET", QByteArray::fromStdString(socket));

        MonitorState state;
        state.programFolder = folder.path().toStdString();
        state.boardName = "M4430";
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

        slider->setValue(1);  // arms: the opening set the position
        slider->setValue(2);
        slider->setValue(1);  // step 1: divisor exponent 2, duty 15
        QTest::qWait(1700);   // the fan slows down
        view->sensorPanel()->refresh();
        const double slow = speed->text().toDouble();
        slider->setValue(5);  // step 5: divisor exponent 3, duty 220
        // The step restarts the refresh period: the next refresh, 5 s on, shows the new speed.
        QTRY_VERIFY_WITH_TIMEOUT(speed->text().toDouble() > slow + 1500, 6000);
        QVERIFY(slow > 0);
        qunsetenv("QVNBDRV_SOCKET");
    }
};

QTEST_MAIN(SensorPanelEndToEnd)
#include "sensor_panel_end_to_end_test.moc"
