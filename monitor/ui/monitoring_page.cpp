#include "monitoring_page.h"

#include <QGroupBox>
#include <QPainter>
#include <QPushButton>
#include <QTabBar>
#include <QTimer>
#include <QVBoxLayout>
#include <array>
#include <utility>
#include <vector>

#include "accessibility.h"
#include "gauge_widget.h"
#include "history_chart.h"
#include "poll_cycle.h"
#include "qt_event_pump.h"
#include "reading_grid_widget.h"
#include "reading_groups.h"
#include "startup.h"
#include "ui_geometry.h"
#include "ui_text.h"
#include "window_history.h"

namespace qorv {

namespace {

constexpr int kInitDelayMs = 1;
constexpr int kGaugeIntervalMs = 1500;

// Page layout, in pixels.
constexpr int kMargin = 24;
constexpr int kButtonWidth = 180;
constexpr int kButtonHeight = 32;
constexpr int kLampSide = 22;
constexpr int kLampGap = 12;
constexpr int kFrameMargin = 12;  // between a gauge frame and its panel's edges
constexpr int kFrameWidth = 240;

const char* const kTabCaptions[kGroupCount] = {QT_TRANSLATE_NOOP("Qorvmon", "FAN"),
                                               QT_TRANSLATE_NOOP("Qorvmon", "Voltage"),
                                               QT_TRANSLATE_NOOP("Qorvmon", "Temperature")};
const char* const kGridNames[kGroupCount] = {QT_TRANSLATE_NOOP("qorv::MonitoringPage", "Fan readings"),
                                             QT_TRANSLATE_NOOP("qorv::MonitoringPage", "Voltage readings"),
                                             QT_TRANSLATE_NOOP("qorv::MonitoringPage", "Temperature readings")};

const QColor kPageBackground(238, 241, 246);
const QColor kPanelBackground(250, 251, 253);
const QColor kPanelBorder(199, 204, 214);

QString indexed(const char* name, int g) { return QStringLiteral("%1_%2").arg(QLatin1String(name)).arg(g); }

// The monitor lamp: a round light in a colour given as 0xBBGGRR.
class Lamp final : public QWidget {
public:
    using QWidget::QWidget;

    void setColour(uint32_t bgr) {
        colour_ = QColor(int(bgr & 0xFF), int((bgr >> 8) & 0xFF), int((bgr >> 16) & 0xFF));
        update();
    }
    // What the lamp says to screen readers: whether monitoring is on.
    void setMonitoring(bool on) {
        on_ = on;
        announceChange(this);
    }
    bool monitoring() const { return on_; }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(colour_.darker(170), 1.5));
        p.setBrush(colour_);
        p.drawEllipse(QRectF(rect()).adjusted(1.5, 1.5, -1.5, -1.5));
    }

private:
    QColor colour_;
    bool on_ = false;
};

}  // namespace

struct MonitoringPage::Parts {
    Parts(MonitorState& s, PollCycle& c, std::function<void()> close)
        : state(s), cycle(c), closeCountdown(std::move(close)) {}

    MonitorState& state;
    PollCycle& cycle;
    std::function<void()> closeCountdown;

    QTabBar* tabs = nullptr;
    std::array<QFrame*, kGroupCount> panels{};
    std::array<ReadingGridWidget*, kGroupCount> grids{};
    std::array<QGroupBox*, kGroupCount> frames{};
    std::array<GaugeWidget*, kGroupCount> gauges{};
    std::array<QTimer*, kGroupCount> gaugeTimers{};
    QPushButton* button = nullptr;
    Lamp* lamp = nullptr;
    QTimer* init = nullptr;
    QTimer* go = nullptr;
    HistoryChart* chart = nullptr;
    WindowHistory* history = nullptr;

    MonitorButtonState buttonState;
    QtEventPump pump;
    bool windowHidden = false;
    std::array<bool, kGroupCount> gaugeTimersHeld{};  // running when the window was hidden

    QRect panelRect() const {
        const int top = tabs->y() + tabs->height();
        return {tabs->x(), top, ui::kPageWidth - 2 * kMargin, ui::kPageHeight - top - kMargin};
    }
    void showOnly(int group);
    void gaugeTick(int group);
    void startGaugeTimer(int group);
    void showGauge(int group);
    void rowClicked(int group, int row);
    void toggleMonitor();
    void placeChart();
};

void MonitoringPage::Parts::showOnly(int group) {
    for (int t = 0; t < kGroupCount; ++t) {
        if (!windowHidden) frames[size_t(t)]->setTitle(QString());
        QFrame* panel = panels[size_t(t)];
        // Each pass comes here: a panel already as it should be is left alone.
        if (t == group) {
            panel->setEnabled(true);
            panel->setGeometry(panelRect());
            if (panel->isHidden()) panel->show();
            if (!windowHidden) panel->update();
        } else if (!panel->isHidden() || panel->isEnabled()) {
            panel->hide();
            panel->setEnabled(false);
        }
    }
}

void MonitoringPage::Parts::gaugeTick(int group) {
    showGauge(group);
    pump.processEvents();
}

void MonitoringPage::Parts::startGaugeTimer(int group) {
    if (windowHidden)
        gaugeTimersHeld[size_t(group)] = true;
    else
        gaugeTimers[size_t(group)]->start(kGaugeIntervalMs);
}

void MonitoringPage::Parts::showGauge(int group) {
    if (group == state.groups.gaugeGroup) {
        // The gauge follows the last reading's text; it takes no reading of its own.
        const SensorSlot& sensor = state.table[state.groups.gaugeSensor];
        gauges[size_t(group)]->showPosition(gaugePosition(group, sensor.ReadingText));
        gauges[size_t(group)]->showSensor(QString::fromStdString(sensor.Name),
                                          spokenReading(sensor.ReadingText, sensor.Unit));
        frames[size_t(group)]->setTitle(QString::fromStdString(sensor.Name));
    }
}

void MonitoringPage::Parts::rowClicked(int group, int row) {
    const std::string name = grids[size_t(group)]->nameAt(row);
    // A row the running fill has not reached yet names no sensor.
    if (name.empty()) return;
    state.groups.gaugeGroup = int16_t(group);
    // Sensors are found by name: of two with the same name, the first is the one chosen.
    for (int slot = 0; slot < state.table.count; ++slot) {
        if (state.table[slot].Name != name) continue;
        state.groups.gaugeSensor = int16_t(slot);
        frames[size_t(group)]->setTitle(QString::fromStdString(name));
        if (chart) chart->setSensor(slot);
        break;
    }
    grids[size_t(group)]->paintRows(row);
    startGaugeTimer(group);
}

// The chart shows the gauge sensor while its group is the one shown, else the shown group's
// first sensor: a temperature tab never charts a fan.
static int chartSensorFor(const MonitorState& state, int group) {
    const SensorTable& table = state.table;
    const int gauge = state.groups.gaugeSensor;
    if (gauge < table.count && table[gauge].Unit == groupUnit(group)) return gauge;
    for (int slot = 0; slot < table.count; ++slot)
        if (table[slot].Unit == groupUnit(group)) return slot;
    return gauge;
}

void MonitoringPage::Parts::placeChart() {
    if (!chart) return;
    // Between the grid and the gauge frame, as tall as the frame.
    const QRect panel = panelRect();
    const int left = panel.x() + 1 + grids[0]->width() + kFrameMargin;
    const int right = panel.x() + panel.width() - 2 * kFrameMargin - kFrameWidth;
    chart->setGeometry(left, panel.y() + kFrameMargin, std::max(right - left, 0), panel.height() - 2 * kFrameMargin);
}

void MonitoringPage::Parts::toggleMonitor() {
    buttonState.toggle();
    if (buttonState.monitoring)
        go->start(MonitorButtonState::kRefreshIntervalMs);  // the first timed refresh 15 s from now
    else
        go->stop();
    button->setText(uiText(buttonState.caption()));
    lamp->setColour(buttonState.lampColour());
    lamp->setMonitoring(buttonState.monitoring);
}

MonitoringPage::MonitoringPage(MonitorState& state, PollCycle& cycle, std::function<void()> closeCountdown,
                               QWidget* parent)
    : QWidget(parent), parts_(std::make_unique<Parts>(state, cycle, std::move(closeCountdown))) {
    Parts& p = *parts_;
    setObjectName(QStringLiteral("screen_Monitor"));
    setFixedSize(ui::pageSize());
    QPalette page = palette();
    page.setColor(QPalette::Window, kPageBackground);
    setPalette(page);
    setAutoFillBackground(true);

    p.tabs = new QTabBar(this);
    p.tabs->setObjectName(QStringLiteral("TabStripMonitor"));
    p.tabs->setExpanding(false);
    p.tabs->setDrawBase(false);
    for (const char* caption : kTabCaptions) p.tabs->addTab(uiText(caption));
    p.tabs->move(kMargin, kMargin);
    p.tabs->resize(p.tabs->sizeHint());

    p.button = new QPushButton(uiText(p.buttonState.caption()), this);
    p.button->setObjectName(QStringLiteral("comEnableMonitor"));
    p.button->setGeometry(ui::kPageWidth - kMargin - kButtonWidth, p.tabs->y() + (p.tabs->height() - kButtonHeight) / 2,
                          kButtonWidth, kButtonHeight);
    p.lamp = new Lamp(this);
    p.lamp->setObjectName(QStringLiteral("lampForMonitor"));
    p.lamp->setGeometry(p.button->x() - kLampGap - kLampSide, p.button->y() + (kButtonHeight - kLampSide) / 2,
                        kLampSide, kLampSide);
    p.lamp->setColour(p.buttonState.lampColour());
    setAccessibleName(tr("System Monitoring page"));
    p.tabs->setAccessibleName(tr("Reading groups"));
    auto lampState = [lamp = p.lamp] {
        return AccessibleTexts{tr("Monitor lamp"), lamp->monitoring() ? tr("Monitoring on") : tr("Monitoring off"), {}};
    };
    describeForScreenReaders(p.lamp, QAccessible::Indicator, lampState);

    const QRect panelRect = p.panelRect();
    for (int g = 0; g < kGroupCount; ++g) {
        auto* panel = new QFrame(this);
        panel->setObjectName(indexed("PictureMonitor", g));
        panel->setFrameShape(QFrame::Box);
        QPalette look = panel->palette();
        look.setColor(QPalette::Window, kPanelBackground);
        look.setColor(QPalette::WindowText, kPanelBorder);
        panel->setPalette(look);
        panel->setAutoFillBackground(true);
        panel->setGeometry(panelRect);

        auto* grid = new ReadingGridWidget(panel);
        grid->setObjectName(indexed("MSFlexGridFan", g));
        grid->setMaximumHeight(panelRect.height() - 2);
        grid->move(1, 1);
        grid->setAccessibleName(tr(kGridNames[g]));
        grid->setThresholdsOf([&table = state.table](const std::string& name) {
            // Of two sensors with the same name, the first is the one a row names.
            for (int slot = 0; slot < table.count; ++slot)
                if (table[slot].Name == name) return spokenThresholds(table[slot]);
            return QString();
        });

        auto* frame = new QGroupBox(panel);
        frame->setObjectName(indexed("Frame1", g));
        // The panel's border colour must not reach the frame's caption.
        QPalette caption = frame->palette();
        caption.setColor(QPalette::WindowText, palette().color(QPalette::WindowText));
        frame->setPalette(caption);
        QFont captionFont = font();
        captionFont.setBold(true);
        frame->setFont(captionFont);
        auto* gauge = new GaugeWidget(g, indexed("SliderForfan", g), frame);
        QFont scaleFont = font();
        scaleFont.setBold(false);
        gauge->setFont(scaleFont);
        auto* frameLayout = new QVBoxLayout(frame);
        frameLayout->addWidget(gauge);

        auto* gaugeTimer = new QTimer(this);
        gaugeTimer->setObjectName(indexed("TimerFormoniter", g));
        gaugeTimer->setInterval(kGaugeIntervalMs);

        p.panels[size_t(g)] = panel;
        p.grids[size_t(g)] = grid;
        p.frames[size_t(g)] = frame;
        p.gauges[size_t(g)] = gauge;
        p.gaugeTimers[size_t(g)] = gaugeTimer;

        connect(grid, &ReadingGridWidget::rowClicked, this, [this, g](int row) { parts_->rowClicked(g, row); });
        connect(gaugeTimer, &QTimer::timeout, this, [this, g] { parts_->gaugeTick(g); });
        if (g != 0) {
            panel->hide();
            panel->setEnabled(false);
        }
    }

    p.init = new QTimer(this);
    p.init->setObjectName(QStringLiteral("TimerForMonitorInit"));
    p.init->setSingleShot(true);
    p.init->setInterval(kInitDelayMs);
    p.go = new QTimer(this);
    p.go->setObjectName(QStringLiteral("TimerForMonitorGo"));
    p.go->setInterval(MonitorButtonState::kRefreshIntervalMs);

    connect(p.tabs, &QTabBar::currentChanged, this, [this] { refreshVisibleGroup(); });
    connect(p.button, &QPushButton::clicked, this, [this] { parts_->toggleMonitor(); });
    connect(p.init, &QTimer::timeout, this, [this] {
        refreshVisibleGroup();
        parts_->startGaugeTimer(0);
    });
    connect(p.go, &QTimer::timeout, this, [this] { refreshVisibleGroup(); });

    LayoutReadingPages();
}

MonitoringPage::~MonitoringPage() = default;

void MonitoringPage::LayoutReadingPages() {
    Parts& p = *parts_;
    p.state.groups.LayoutReadingPages(p.state.table);

    // The first group's panel is laid out shown; the tab the user chose stays chosen, and the
    // refresh that follows shows and fills its group.
    std::vector<std::string> names;
    for (int slot = 0; slot < p.state.table.count; ++slot) names.push_back(p.state.table[slot].Name);

    const QRect panelRect = p.panelRect();
    for (int g = 0; g < kGroupCount; ++g) {
        QFrame* panel = p.panels[size_t(g)];
        panel->setGeometry(panelRect);
        panel->setVisible(g == 0);
        panel->setEnabled(g == 0);

        // The three grids share one set of widths, so a tab switch keeps the columns still.
        ReadingGridWidget* grid = p.grids[size_t(g)];
        grid->layoutColumns(names);
        grid->move(1, 1);
        // The gauge keeps to the right edge, under the monitor button.
        p.frames[size_t(g)]->setGeometry(panelRect.width() - kFrameMargin - kFrameWidth, kFrameMargin, kFrameWidth,
                                         panelRect.height() - 2 * kFrameMargin);
        grid->update();
    }
    p.placeChart();
}

void MonitoringPage::setWindowHidden(bool hidden) {
    Parts& p = *parts_;
    if (hidden == p.windowHidden) return;
    p.windowHidden = hidden;
    // A hidden window's gauge ticks would only move what no one sees: their timers wait.
    for (int g = 0; g < kGroupCount; ++g) {
        QTimer* timer = p.gaugeTimers[size_t(g)];
        if (hidden) {
            p.gaugeTimersHeld[size_t(g)] = timer->isActive();
            timer->stop();
        } else if (std::exchange(p.gaugeTimersHeld[size_t(g)], false)) {
            timer->start();
        }
    }
    if (hidden) return;
    for (int t = 0; t < kGroupCount; ++t)
        if (t != p.state.groups.gaugeGroup) p.frames[size_t(t)]->setTitle(QString());
    p.showGauge(p.state.groups.gaugeGroup);
}

void MonitoringPage::startMonitorInit() { parts_->init->start(); }

void MonitoringPage::refreshVisibleGroup() {
    Parts& p = *parts_;
    // A refresh the cycle refuses (one asked for inside a running pass, or over an open
    // countdown it would close) is dropped: the next tick comes anyway. A tab chosen while
    // a pass runs is shown as soon as that pass ends.
    int group = p.tabs->currentIndex();
    const auto prepare = [&] {
        p.showOnly(group);
        if (p.closeCountdown) p.closeCountdown();
    };
    bool read = false;
    while (p.cycle.pollGroup(group, p.state.groups, p.grids[size_t(group)]->readingGrid(), prepare)) {
        read = true;
        const int selected = p.tabs->currentIndex();
        if (selected == group) break;
        group = selected;
    }
    // A pass reads every sensor, whatever its group: the history's sample for now.
    if (read && p.history) p.history->passEnded();
    if (p.chart) p.chart->setSensor(chartSensorFor(p.state, p.tabs->currentIndex()));
}

QTabBar* MonitoringPage::tabStrip() const { return parts_->tabs; }

bool MonitoringPage::monitoring() const { return parts_->buttonState.monitoring; }

void MonitoringPage::attachHistory(WindowHistory& history) {
    Parts& p = *parts_;
    p.history = &history;
    if (!p.chart) {
        p.chart = new HistoryChart(p.state.table, history.clock(), this);
        connect(p.chart, &HistoryChart::rangeChosen, this, [&history](int seconds) { history.setChartRange(seconds); });
        connect(&history, &WindowHistory::sampled, p.chart, qOverload<>(&QWidget::update));
    }
    p.chart->setStore(history.store());
    p.chart->setRange(history.settings().chartRange);
    p.chart->setSensor(chartSensorFor(p.state, p.tabs->currentIndex()));
    p.chart->setAccessibleName(tr("History of the gauge sensor"));
    p.placeChart();
    p.chart->show();
}

HistoryChart* MonitoringPage::historyChart() const { return parts_->chart; }

}  // namespace qorv
