// The history chart and the sensor panel's line, drawn from a day of samples of a
// temperature that climbs over its high threshold, raises an alarm, fails to read for a
// while and comes back: at each range the threshold lines, the shaded episode, the gap and
// the reading under the pointer are where the data puts them. With QORV_CHART_DIR set,
// each picture is also written there as PNG for a look.
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QImage>
#include <QTabBar>
#include <QToolButton>
#include <QtTest>
#include <cmath>

#include "history_chart.h"
#include "history_log.h"
#include "recorded_window.h"
#include "recording_source.h"
#include "board_file.h"
#include "history_store.h"
#include "monitoring_page.h"
#include "reading_groups.h"
#include "sensor_table.h"
#include "sparkline.h"
#include "window_history.h"

using namespace qorv;

namespace {

const QRgb kLineColour = qRgb(31, 86, 168);
const QRgb kSparklineColour = qRgb(0x5f, 0xd3, 0xc4);
const QRgb kHighColour = qRgb(200, 40, 40);

// Now: the end of the day drawn, a whole interval.
const int64_t kNowInterval = 118'000'000;
TimePoint nowTime() { return HistoryStore::startOf(kNowInterval) + std::chrono::seconds(7); }

bool near(QRgb a, QRgb b, int tolerance = 40) {
    return std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) + std::abs(qBlue(a) - qBlue(b)) <= tolerance;
}

// Rows of column x whose colour is near c.
QList<int> rowsOf(const QImage& image, int x, QRgb c, const QRect& plot) {
    QList<int> rows;
    for (int y = plot.top(); y <= plot.bottom(); ++y)
        if (near(image.pixel(x, y), c)) rows << y;
    return rows;
}

// The x of the middle of interval i in the chart's plot.
int xOf(const HistoryChart& chart, int64_t i) {
    const QRect plot = chart.plotRect();
    const int64_t end = unixSeconds(nowTime());
    const double t = double(i * kHistoryInterval.count() + kHistoryInterval.count() / 2);
    return int(std::lround(plot.left() + (t - double(end - chart.range())) * plot.width() / chart.range()));
}

}  // namespace

class HistoryChartTest : public QObject {
    Q_OBJECT

    SensorTable table;
    ManualClock clock{nowTime()};
    HistoryStore store{1};
    // Intervals back from now: the crossing, and the failed reads.
    static constexpr int kHotFrom = 30, kHotTo = 14, kGapFrom = 8, kGapTo = 5;

private slots:
    void initTestCase() {
        table.count = 1;
        table[0].Name = "CPU1 Temp";
        table[0].Unit = "C";
        table[0].HighThreshold = 60;
        table[0].LowThreshold = 10;
        // A day of a slow wave around 40 C; 30 to 14 intervals ago it climbs to 70.
        for (int64_t back = kHistoryCells - 1; back >= 0; --back) {
            const int64_t i = kNowInterval - back;
            float v = float(40 + 8 * std::sin(double(back) / 400));
            if (back <= kHotFrom && back >= kHotTo) v = 70;
            if (back <= kGapFrom && back >= kGapTo) v = kGap;
            store.record(HistoryStore::startOf(i), {v});
        }
        store.episodeStarted(0, true, HistoryStore::startOf(kNowInterval - kHotFrom + 2), 70, kActionBeep);
        store.episodeEnded(0, HistoryStore::startOf(kNowInterval - kHotTo + 1));
    }

    void drawsThresholdsTheEpisodeAndTheGapAtEachRange_data() {
        QTest::addColumn<int>("range");
        QTest::newRow("10 minutes") << 600;
        QTest::newRow("1 hour") << 3600;
        QTest::newRow("24 hours") << 86400;
    }
    void drawsThresholdsTheEpisodeAndTheGapAtEachRange() {
        QFETCH(int, range);
        HistoryChart chart(table, clock);
        chart.resize(420, 300);
        chart.setStore(&store);
        chart.setRange(range);
        const QImage image = chart.grab().toImage().convertToFormat(QImage::Format_RGB32);
        if (const QByteArray dir = qgetenv("QORV_CHART_DIR"); !dir.isEmpty())
            image.save(QDir(QString::fromLocal8Bit(dir)).filePath(QStringLiteral("history_chart_%1.png").arg(range)));
        const QRect plot = chart.plotRect();

        // The high threshold: a dashed red line across the plot, above the wave.
        const int quiet = plot.left() + 3;  // far from the crossing at every range
        QList<int> high = rowsOf(image, quiet, kHighColour, plot);
        for (int x = quiet + 1; high.isEmpty() && x < quiet + 8; ++x) high = rowsOf(image, x, kHighColour, plot);
        QVERIFY2(!high.isEmpty(), "no high threshold line");
        const int highY = high.first();

        // In the episode: shaded, and the line above the threshold.
        const int hot = xOf(chart, kNowInterval - (kHotFrom + kHotTo) / 2);
        const QRgb shade = image.pixel(hot, plot.bottom() - 2);
        QVERIFY2(qRed(shade) > qBlue(shade) + 15 && qRed(shade) > 200, "the episode is not shaded");
        const QList<int> hotLine = rowsOf(image, hot, kLineColour, plot);
        QVERIFY2(!hotLine.isEmpty() && hotLine.first() < highY, "the crossing is not drawn above the threshold");

        // Before the crossing the line runs below the threshold.
        const int calm = xOf(chart, kNowInterval - (range == 600 ? 36 : 200));
        const QList<int> calmLine = rowsOf(image, calm, kLineColour, plot);
        QVERIFY2(!calmLine.isEmpty() && calmLine.first() > highY, "the calm readings are not below the threshold");

        // The failed reads: nothing drawn in their middle at the ranges wide enough to show it.
        if (range <= 3600) {
            const int gap = xOf(chart, kNowInterval - (kGapFrom + kGapTo) / 2);
            QVERIFY2(rowsOf(image, gap, kLineColour, plot).isEmpty(), "a gap is drawn as a reading");
            QVERIFY(chart.readingAt(gap).endsWith("no reading"));
        }
        QVERIFY(chart.readingAt(hot).endsWith("  70 C"));
        QVERIFY(chart.readingAt(plot.left() - 5).isEmpty());
    }

    void theRangeButtonsChooseAndSayWhich() {
        HistoryChart chart(table, clock);
        chart.resize(420, 300);
        QSignalSpy chosen(&chart, &HistoryChart::rangeChosen);
        auto* day = chart.findChild<QToolButton*>("HistoryRange_86400");
        QVERIFY(day);
        day->click();
        QCOMPARE(chart.range(), 86400);
        QCOMPARE(chosen.count(), 1);
        QCOMPARE(chosen.first().first().toInt(), 86400);
        QVERIFY(day->isChecked());
        QVERIFY(!chart.findChild<QToolButton*>("HistoryRange_600")->isChecked());
        chart.setRange(1234);  // not a range of the chart: the shortest
        QCOMPARE(chart.range(), 600);
    }

    void theSparklineGoesThroughTheLastTenMinutesReadings() {
        Sparkline line(table, clock);
        line.resize(120, 30);
        QCOMPARE(line.points(), 0);
        line.setStore(&store);
        // 40 intervals in 10 minutes, of which 4 failed to read.
        QCOMPARE(line.points(), 36);
        const QImage image = line.grab().toImage();
        if (const QByteArray dir = qgetenv("QORV_CHART_DIR"); !dir.isEmpty())
            image.save(QDir(QString::fromLocal8Bit(dir)).filePath(QStringLiteral("sparkline.png")));
        int drawn = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) drawn += near(image.pixel(x, y), kSparklineColour, 60);
        QVERIFY(drawn > 40);
    }

    // The window's sampling reads the bus only when no pass of the page has just read it.
    void theWindowSamplesFromARecentPassAndReadsTheBoardOtherwise() {
        QTemporaryDir folder;
        MonitorState state;
        state.programFolder = folder.path().toStdString();
        state.table.count = 1;
        state.table[0] = table[0];
        state.table[0].ChipId = "HWM1";
        state.table[0].Channel = 0x81;
        qorv::testing::RecordingSource library;
        library.answer("HWM1", 0x81, {41, 42});
        bool mayRead = true;
        std::vector<std::string> problems;
        WindowHistory history(
            state, library, clock, [&] { return mayRead; }, [&](const std::string& p) { problems.push_back(p); });
        history.start();

        state.table[0].ReadingText = "40";  // as the pass left it
        history.passEnded();
        history.sample();
        QCOMPARE(library.reads, 0);
        QCOMPARE(history.store()->value(0, kNowInterval), 40.f);

        clock.advance(std::chrono::seconds(45));  // no pass since: the board is read
        history.sample();
        QCOMPARE(library.reads, 1);
        QCOMPARE(history.store()->value(0, kNowInterval + 3), 41.f);

        mayRead = false;  // a pass or a countdown holds the bus: the table as it is
        clock.advance(std::chrono::seconds(15));
        history.sample();
        QCOMPARE(library.reads, 1);
        QCOMPARE(history.store()->value(0, kNowInterval + 4), 41.f);

        QVERIFY(history.log());
        QCOMPARE(QFileInfo(QString::fromStdString(history.log()->openPath())).dir().path(), folder.filePath("log"));
        QVERIFY(problems.empty());
        clock.set(nowTime());
    }

    // A restart: the window takes the log's last minutes back into the chart it shows.
    void theWindowReloadsItsLogIntoTheChart() {
        QTemporaryDir folder;
        QFile::copy(QString(QORV_BOARDS_DIR) + "/M4430.txt", folder.filePath("M4430.txt"));
        MonitorState board;
        board.programFolder = folder.path().toStdString();
        board.boardName = "M4430";
        qorv::testing::RecordingSource none;
        ReadBoardFile(board.boardPath(), board.table, none);
        const auto minuteAgo = std::chrono::system_clock::now() - std::chrono::seconds(60);
        {
            HistoryLog log(folder.filePath("log").toStdString(), logColumnsOf(board.table));
            std::vector<std::optional<double>> values(size_t(board.table.count), 4321.0);
            log.append(minuteAgo, values);
        }
        qorv::testing::RecordedWindow recorded;
        recorded.makeRecordedWindow(folder, false, kNo);
        const HistoryStore* store = recorded.window->history().store();
        QVERIFY(store);
        QTRY_COMPARE(store->value(0, HistoryStore::intervalOf(minuteAgo)), 4321.f);
        QCOMPARE(recorded.window->monitoringPage()->historyChart()->sensor(), 0);
    }

    // Each tab charts a sensor of its own group, the gauge sensor where that is one of them.
    void theChartFollowsTheTabShown() {
        QTemporaryDir folder;
        qorv::testing::RecordedWindow recorded;
        recorded.makeRecordedWindow(folder, false, kNo);
        recorded.window->showMonitoringPage();
        MonitoringPage* page = recorded.window->monitoringPage();
        const SensorTable& table = recorded.state->table;
        for (int group : {kTemperatureGroup, kVoltageGroup, kFanGroup}) {
            page->tabStrip()->setCurrentIndex(group);
            const int slot = page->historyChart()->sensor();
            QCOMPARE(QString::fromStdString(table[slot].Unit), QString(groupUnit(group)));
        }
        QCOMPARE(page->historyChart()->sensor(), int(recorded.state->groups.gaugeSensor));
    }
};

QTEST_MAIN(HistoryChartTest)
#include "history_chart_test.moc"
