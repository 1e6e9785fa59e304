// What the window costs beside the floor of any Qt window, in one run on an emulated
// board: a bare Qt window (a 25-row table and a 1.5 s timer) and Qorvmon with a day of
// history in its log, each in a process of its own started from here.
//   start-up: launch to the window shown, RUNS times each, alternating;
//   then both side by side, hidden (Qorvmon monitoring), for SECONDS after 10 s to settle:
//   resident memory and processor time of each, the ratios, and where Qorvmon's memory
//   above the bare window's goes (from /proc/PID/smaps). With ROUNDS, the side-by-side
//   part is repeated with fresh processes, and the median processor-time ratio printed:
//   a quiet minute's few milliseconds move with the machine's load.
//   measure_window [BOARD] [SECONDS] [RUNS] [ROUNDS]
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMap>
#include <QProcess>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <signal.h>
#include <unistd.h>

#include <cmath>
#include <csignal>
#include <cstdio>
#include <ctime>

#include "board_file.h"
#include "emulated_board.h"
#include "history_log.h"
#include "hwm_binding.h"
#include "main_window.h"
#include "recording_platform.h"

namespace {

constexpr int kSettleSeconds = 10;

// The board file's sensor list, without binding any library.
class NoLibrary final : public qorv::SensorSource {
public:
    int32_t InitDLL(const char*) override { return 0; }
    int32_t ReleaseDLL() override { return 0; }
    int32_t SetCurrentHwm(const char*) override { return 0; }
    int32_t GetSensorValue(int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, double*) override { return 0; }
    int32_t SetFanPWM2(int32_t, int32_t, int32_t, int32_t) override { return 0; }
    int32_t GetFanDuty(int32_t, uint8_t*) override { return 0; }
};

QByteArray procFile(qint64 pid, const char* name) {
    QFile f(QStringLiteral("/proc/%1/%2").arg(pid).arg(QLatin1String(name)));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

long residentKiB(qint64 pid) {
    for (const QByteArray& line : procFile(pid, "status").split('\n'))
        if (line.startsWith("VmRSS:")) return line.mid(6).trimmed().split(' ').first().toLong();
    return -1;
}

// Resident KiB by what the mapping is: the heaps, the window's shared backing store, and
// each library by name.
QMap<QString, long> breakdown(qint64 pid) {
    QMap<QString, long> parts;
    QString what;
    for (const QByteArray& line : procFile(pid, "smaps").split('\n')) {
        if (line.isEmpty()) continue;
        if (std::isxdigit(uchar(line[0])) && line.contains('-') && !line.contains(':' + QByteArray(" "))) {
            const QList<QByteArray> f = line.simplified().split(' ');
            const QString path = f.size() > 5 ? QString::fromLocal8Bit(f.mid(5).join(' ')) : QString();
            if (path.isEmpty())
                what = "heap (anonymous maps)";
            else if (path == "[heap]")
                what = "heap (brk)";
            else if (path.startsWith("/memfd:") || path.startsWith("/SYSV"))
                what = "window backing store";
            else if (path.startsWith('['))
                what = path;
            else
                what = QFileInfo(path).fileName().section(".so", 0, 0);
        } else if (line.startsWith("Rss:")) {
            parts[what] += line.mid(4).trimmed().split(' ').first().toLong();
        }
    }
    return parts;
}

// A day of samples ending now in the log Qorvmon reads at start: every sensor a slow wave.
void writeDayOfLog(const qorv::MonitorState& state) {
    NoLibrary none;
    qorv::SensorTable table;
    qorv::ReadBoardFile(state.boardPath(), table, none);
    const std::string folder = qorv::historyLogFolder(qorv::logPlacesOf(state.programFolder, state.settingsFile));
    qorv::HistoryLog log(folder, qorv::logColumnsOf(table));
    const auto now = std::chrono::system_clock::now();
    std::vector<std::optional<double>> values(size_t(table.count));
    for (int i = qorv::kHistoryCells; i > 0; --i) {
        for (int s = 0; s < table.count; ++s) values[size_t(s)] = 40 + 5 * std::sin(i / 300.0 + s);
        log.append(now - i * qorv::kHistoryInterval, values);
    }
}

// --- the two windows, each in its own process --------------------------------------

// SIGUSR1 makes a child say its processor time: "cpu NANOSECONDS" on stdout. The
// process clock counts every thread, those already ended too (a thread pool lets its
// idle threads go), at the scheduler's resolution, where the clock ticks of
// /proc/PID/stat would round a quiet minute to nothing.
void sayProcessorTime(int) {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    char line[32] = "cpu ";
    char digits[24];
    int n = 0;
    for (uint64_t ns = uint64_t(t.tv_sec) * 1000000000u + uint64_t(t.tv_nsec); n == 0 || ns > 0; ns /= 10)
        digits[n++] = char('0' + ns % 10);
    int at = 4;
    while (n > 0) line[at++] = digits[--n];
    line[at++] = '\n';
    (void)!write(STDOUT_FILENO, line, size_t(at));
}

void announceShown() {
    std::signal(SIGUSR1, sayProcessorTime);
    std::printf("shown\n");
    std::fflush(stdout);
}

// Says "shown" at the window's first expose: the moment the display has mapped it, even
// when the expose is handled inside a pass that lets events run.
class ExposeWatcher final : public QObject {
public:
    explicit ExposeWatcher(QWidget& window) {
        window.winId();  // the native window, to watch from before it is shown
        window.windowHandle()->installEventFilter(this);
    }
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (!told_ && event->type() == QEvent::Expose && static_cast<QWindow*>(watched)->isExposed()) {
            told_ = true;
            announceShown();
        }
        return false;
    }

private:
    bool told_ = false;
};

int bareWindow(QApplication& app, int seconds) {
    QTableWidget table(25, 3);
    table.setWindowTitle("bare");
    for (int r = 0; r < 25; ++r)
        for (int c = 0; c < 3; ++c) table.setItem(r, c, new QTableWidgetItem(QString::number(r * c)));
    QTimer tick;
    int n = 0;
    QObject::connect(&tick, &QTimer::timeout, [&] {
        table.item(n % 25, 1)->setText(QString::number(n));
        ++n;
    });
    tick.start(1500);
    table.resize(640, 720);
    ExposeWatcher watcher(table);
    table.show();
    if (!QTest::qWaitForWindowExposed(&table)) return 1;
    table.hide();
    QTimer::singleShot(seconds * 1000, &app, &QApplication::quit);
    return app.exec();
}

int qorvmonWindow(QApplication& app, const QString& folder, const QString& board, int seconds) {
    qorv::MonitorState state;
    state.programFolder = folder.toStdString();
    state.boardName = board.toStdString();
    state.boardNotChosen = qorv::kNo;
    qorv::testing::RecordingPlatform platform;
    qorv::HwmBinding library([](const std::string& m) { std::fprintf(stderr, "%s\n", m.c_str()); },
                             QVNHWM_SHARED_LIBRARY);
    qorv::MainWindow window(state, library, platform);
    window.load();
    window.showMonitoringPage();
    ExposeWatcher watcher(window);
    window.show();
    if (!QTest::qWaitForWindowExposed(&window)) return 1;
    QTest::mouseClick(window.findChild<QPushButton*>("comEnableMonitor"), Qt::LeftButton);
    window.close();  // hidden; monitoring goes on
    QTimer::singleShot(seconds * 1000, &app, &QApplication::quit);
    return app.exec();
}

// --- the parent -------------------------------------------------------------------

struct Child {
    QProcess process;
    QElapsedTimer launched;
    qint64 shownMs = -1;

    void start(const QStringList& arguments) {
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        launched.start();
        process.start(QCoreApplication::applicationFilePath(), arguments);
    }
    bool waitShown() {
        while (process.waitForReadyRead(20000))
            if (process.readAll().contains("shown")) {
                shownMs = launched.elapsed();
                return true;
            }
        return false;
    }
    // The child's processor time in seconds, all its threads, asked for with SIGUSR1.
    double processorSeconds() {
        ::kill(pid_t(process.processId()), SIGUSR1);
        QByteArray said;
        while (!said.contains('\n') && process.waitForReadyRead(5000)) said += process.readAll();
        const int at = said.lastIndexOf("cpu ");
        return at < 0 ? -1 : said.mid(at + 4).trimmed().toDouble() / 1e9;
    }
    void end() {
        process.terminate();
        if (!process.waitForFinished(5000)) process.kill();
        process.waitForFinished(1000);
    }
};

QStringList childArguments(const char* kind, const QString& folder, const QString& board, int seconds) {
    return {"--child", kind, folder, board, QString::number(seconds)};
}

double median(std::vector<qint64> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v.size() % 2 ? double(v[v.size() / 2]) : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2.0;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QStringList args = QApplication::arguments();
    if (args.size() >= 6 && args[1] == "--child") {
        if (args[2] == "bare") return bareWindow(app, args[5].toInt());
        return qorvmonWindow(app, args[3], args[4], args[5].toInt());
    }
    const QString board = args.size() > 1 ? args[1] : "M4430";
    const int seconds = args.size() > 2 ? args[2].toInt() : 60;
    const int runs = args.size() > 3 ? args[3].toInt() : 5;
    const int rounds = std::max(args.size() > 4 ? args[4].toInt() : 1, 1);

    qorv::testing::EmulatedBoard emulated(board);
    if (!emulated.ready()) return 1;
    const qorv::MonitorState state = emulated.firstUseState();
    const QString folder = QString::fromStdString(state.programFolder);
    writeDayOfLog(state);
    std::printf("board %s, a day of history in %s\n", qPrintable(board),
                qorv::historyLogFolder(qorv::logPlacesOf(state.programFolder, state.settingsFile)).c_str());

    // Start-up. The first of each only warms up (and writes Qorvmon's settings file, so
    // every counted start is an ordinary one, with its opening effect).
    std::vector<qint64> bareMs, qorvmonMs;
    for (int run = 0; run <= runs; ++run)
        for (const char* kind : {"bare", "qorvmon"}) {
            Child c;
            c.start(childArguments(kind, folder, board, 1));
            const bool shown = c.waitShown();
            c.end();
            if (!shown) {
                std::fprintf(stderr, "the %s window was never shown\n", kind);
                return 1;
            }
            if (run > 0) (std::string(kind) == "bare" ? bareMs : qorvmonMs).push_back(c.shownMs);
        }
    std::printf("\nlaunch to window shown, ms (%d runs each)\n  bare Qt window:", runs);
    for (qint64 ms : bareMs) std::printf(" %lld", ms);
    std::printf("\n  Qorvmon:       ");
    for (qint64 ms : qorvmonMs) std::printf(" %lld", ms);
    std::printf("\n  medians %.0f and %.0f ms: Qorvmon %.2fx the bare window\n", median(bareMs), median(qorvmonMs),
                median(qorvmonMs) / median(bareMs));

    // Side by side, hidden, in fresh processes each round.
    std::vector<double> ratios;
    Child bare, qorvmon;
    for (int round = 1; round <= rounds; ++round) {
        if (round > 1) {
            bare.end();
            qorvmon.end();
        }
        bare.start(childArguments("bare", folder, board, seconds + kSettleSeconds + 5));
        qorvmon.start(childArguments("qorvmon", folder, board, seconds + kSettleSeconds + 5));
        if (!bare.waitShown() || !qorvmon.waitShown()) return 1;
        QTest::qWait(kSettleSeconds * 1000);
        const qint64 b = bare.process.processId(), q = qorvmon.process.processId();
        const double bareCpu0 = bare.processorSeconds(), qorvmonCpu0 = qorvmon.processorSeconds();
        std::printf(
            "\nhidden, Qorvmon monitoring, after %d s to settle\n  seconds  bare KiB  Qorvmon KiB  ratio  bare cpu s  "
            "Qorvmon cpu s\n",
            kSettleSeconds);
        long bareRss = 0, qorvmonRss = 0;
        double bareCpu = 0, qorvmonCpu = 0;
        for (int t = 0; t <= seconds; t += 10) {
            bareRss = residentKiB(b);
            qorvmonRss = residentKiB(q);
            bareCpu = bare.processorSeconds() - bareCpu0;
            qorvmonCpu = qorvmon.processorSeconds() - qorvmonCpu0;
            std::printf("  %7d  %8ld  %11ld  %5.2f  %10.3f  %13.3f\n", t, bareRss, qorvmonRss,
                        double(qorvmonRss) / double(bareRss), bareCpu, qorvmonCpu);
            std::fflush(stdout);
            if (t < seconds) QTest::qWait(10000);
        }
        std::printf("  Qorvmon: %.2fx the bare window's memory; processor time %.3f s against %.3f s (%.2fx)\n",
                    double(qorvmonRss) / double(bareRss), qorvmonCpu, bareCpu, qorvmonCpu / std::max(bareCpu, 1e-9));
        ratios.push_back(qorvmonCpu / std::max(bareCpu, 1e-9));
    }
    if (rounds > 1) {
        std::sort(ratios.begin(), ratios.end());
        std::printf("\nprocessor time, Qorvmon to the bare window, in %d rounds:", rounds);
        for (double r : ratios) std::printf(" %.2f", r);
        std::printf("\n  median %.2fx\n", ratios[ratios.size() / 2]);
    }
    const qint64 b = bare.process.processId(), q = qorvmon.process.processId();

    const QMap<QString, long> bareParts = breakdown(b), qorvmonParts = breakdown(q);
    QList<QPair<long, QString>> rows;
    QSet<QString> names(bareParts.keyBegin(), bareParts.keyEnd());
    for (const QString& n : qorvmonParts.keys()) names.insert(n);
    for (const QString& n : names) rows.append({qorvmonParts.value(n) - bareParts.value(n), n});
    std::sort(rows.begin(), rows.end(), [](auto& x, auto& y) { return std::abs(x.first) > std::abs(y.first); });
    std::printf("\nwhere Qorvmon's resident memory differs from the bare window's (KiB, largest first)\n");
    for (int i = 0; i < rows.size() && i < 14; ++i)
        std::printf("  %+7ld  %-28s (%ld against %ld)\n", rows[i].first, qPrintable(rows[i].second),
                    qorvmonParts.value(rows[i].second), bareParts.value(rows[i].second));
    bare.end();
    qorvmon.end();
    return 0;
}
