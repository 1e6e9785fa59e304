// How much the window costs left running: the time from start to the window shown, then
// resident memory and processor time every 10 s over 60 s with the window hidden and
// monitoring on, on an emulated board.
//   measure_window [BOARD] [SECONDS]
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QPushButton>
#include <QTest>
#include <cstdio>
#include <sys/resource.h>

#include "hwm_binding.h"
#include "main_window.h"
#include "recording_platform.h"
#include "emulated_board.h"

namespace {

long residentKilobytes() {
    QFile status("/proc/self/status");
    status.open(QIODevice::ReadOnly);
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:")) return line.mid(6).trimmed().split(' ').first().toLong();
    return -1;
}

double processorSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

}  // namespace

int main(int argc, char** argv) {
    QElapsedTimer sinceStart;
    sinceStart.start();
    QApplication app(argc, argv);
    const QString board = argc > 1 ? argv[1] : "M4430";
    const int seconds = argc > 2 ? atoi(argv[2]) : 60;

    qorv::testing::EmulatedBoard emulated(board);
    if (!emulated.ready()) return 1;
    const qint64 serviceMs = sinceStart.elapsed();
    qorv::MonitorState state = emulated.firstUseState();
    qorv::testing::RecordingPlatform platform;
    qorv::HwmBinding library([](const std::string& m) { std::fprintf(stderr, "%s\n", m.c_str()); },
                             QVNHWM_SHARED_LIBRARY);
    qorv::MainWindow window(state, library, platform);
    window.load();
    window.showMonitoringPage();
    window.show();
    if (!QTest::qWaitForWindowExposed(&window)) std::fprintf(stderr, "the window was never shown\n");
    std::printf("start to window shown: %lld ms (of which starting the emulated driver service %lld ms)\n",
                sinceStart.elapsed(), serviceMs);

    QTest::mouseClick(window.findChild<QPushButton*>("comEnableMonitor"), Qt::LeftButton);
    window.close();  // hidden; monitoring goes on
    std::printf("window hidden, monitoring on\n  seconds  resident KiB  processor s\n");
    const double cpuAtStart = processorSeconds();
    for (int t = 0; t <= seconds; t += 10) {
        std::printf("  %7d  %12ld  %11.3f\n", t, residentKilobytes(), processorSeconds() - cpuAtStart);
        std::fflush(stdout);
        if (t < seconds) QTest::qWait(10000);
    }
    return 0;
}
