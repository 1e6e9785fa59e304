// The sensor panel's small line: its sensor's last 10 minutes from the history, gaps left
// open, with the thresholds as faint lines when they lie near the readings.
#pragma once

#include <QWidget>

#include "clock.h"

namespace qorv {

class HistoryStore;
struct SensorTable;

class Sparkline : public QWidget {
    Q_OBJECT

public:
    static constexpr int kSeconds = 600;

    Sparkline(const SensorTable& table, const Clock& clock, QWidget* parent = nullptr);
    void setStore(const HistoryStore* store);
    void setSensor(int slot);
    // The number of readings the line goes through now.
    int points() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const SensorTable& table_;
    const Clock& clock_;
    const HistoryStore* store_ = nullptr;
    int sensor_ = 0;
};

}  // namespace qorv
