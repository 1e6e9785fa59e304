// The monitoring page's chart of one sensor's history over the last 10 minutes, hour or
// day: the readings as a line (gaps left open), the high and low thresholds as dashed
// lines, alarm episodes shaded, the time axis in local time, and the reading under the
// pointer. Drawn with QPainter straight from the history's rings: no copy of the samples
// is kept, and nothing is drawn while the window is hidden.
#pragma once

#include <QWidget>
#include <functional>

#include "clock.h"

class QToolButton;

namespace qorv {

class HistoryStore;
struct SensorTable;

class HistoryChart : public QWidget {
    Q_OBJECT

public:
    HistoryChart(const SensorTable& table, const Clock& clock, QWidget* parent = nullptr);

    // The history drawn; none yet (before the board is loaded) draws an empty chart.
    void setStore(const HistoryStore* store);
    void setSensor(int slot);
    int sensor() const { return sensor_; }
    // Seconds shown back from now: 600, 3600 or 86400.
    void setRange(int seconds);
    int range() const { return range_; }

    // The reading under x, as the pointer shows it: "14:03:15  41 C", or "no reading".
    QString readingAt(int x) const;
    // The plot's rectangle inside the widget.
    QRect plotRect() const;

signals:
    // The user chose another range.
    void rangeChosen(int seconds);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void layoutButtons();

    struct Scale;
    Scale scale() const;

    const SensorTable& table_;
    const Clock& clock_;
    const HistoryStore* store_ = nullptr;
    int sensor_ = 0;
    int range_ = 600;
    int pointerX_ = -1;
    int top_ = 34;  // the plot's top, below the title and the buttons
    int titleWidth_ = 0;
    QToolButton* buttons_[3] = {};
};

}  // namespace qorv
