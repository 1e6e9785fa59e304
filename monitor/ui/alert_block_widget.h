// One alert block of the sensor panel: "Beep", "E-Mail", "ReBoot", "Shut Down" and the
// beep's frequency and duration lists. Leaving a box or choosing a list item captures the
// whole block.
#pragma once

#include <QGroupBox>
#include <span>

#include "alert_settings.h"

class QCheckBox;
class QComboBox;

namespace qorv {

class AlertBlockWidget : public QGroupBox {
    Q_OBJECT

public:
    // block 1 (fans): CheckBox1..4, ListBeepFre1, ListBeepDur1; block 2: CheckBox5..8,
    // ListBeepFre2, ListBeepDur2.
    AlertBlockWidget(int block, const QString& caption, std::span<const int> frequencies, QWidget* parent = nullptr);

    void show(const AlertBlock& block);
    AlertBlock current() const;

signals:
    void captured();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QCheckBox* boxes_[4];
    QComboBox* frequency_;
    QComboBox* duration_;
};

}  // namespace qorv
