// The countdown before a shutdown or reboot ("warningDialog"): it names the alarm, counts
// about 15 seconds on a segmented bar, and proceeds on OK or when the time is up.
#pragma once

#include <QDialog>
#include <QTimer>

#include "alarm.h"
#include "countdown.h"

namespace qorv {

class ProgressBarWidget;

class CountdownDialog : public QDialog {
    Q_OBJECT

public:
    // Sets handOver.countdownResult: 0 when the action is to go ahead, -1 otherwise.
    CountdownDialog(const CountdownTexts& texts, AlarmHandOver& handOver, QWidget* owner = nullptr);

    // One tick of TimerForWaiting.
    void tick();
    float progress() const { return progress_.value(); }

    // However the dialog closes (Escape, the close box, a refresh), the count stops.
    void done(int result) override;

private:
    void proceed();
    void cancel();

    AlarmHandOver& handOver_;
    CountdownProgress progress_;
    QTimer* timer_;
    ProgressBarWidget* bar_;
};

}  // namespace qorv
