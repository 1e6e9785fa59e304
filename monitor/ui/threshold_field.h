// A threshold field of the sensor panel (TextHighLmt, TextLowLmt, TextFan_Lmt): typed keys
// pass the threshold key filter; leaving the field commits it to the current sensor.
#pragma once

#include <QLineEdit>
#include <functional>

#include "alert_settings.h"

namespace qorv {

class ThresholdField : public QLineEdit {
    Q_OBJECT

public:
    ThresholdField(const char* name, QWidget* parent = nullptr);

signals:
    // The field lost the focus with this text.
    void left(const QString& text);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
};

}  // namespace qorv
