// What screen readers are told about the widgets that draw themselves (the strip's buttons,
// the board's sensor targets, the monitor lamp, the gauges), and how a sensor is spoken.
// A described widget's texts are asked for each time a reader wants them, so they follow
// the readings; announceChange tells a listening reader when they changed.
#pragma once

#include <QAccessible>
#include <QString>
#include <functional>
#include <string>

#include "sensor_table.h"

class QWidget;

namespace qorv {

struct AccessibleTexts {
    QString name;
    QString value;
    QString description;
};

// Whether a reader is offered the widgets inside a described one, or reads it as one piece.
enum class ReadAs { WithParts, OnePiece };

// Shows widget to screen readers in role, with the texts texts() gives when asked; press,
// when given, is its press action, as for a button.
void describeForScreenReaders(QWidget* widget, QAccessible::Role role, std::function<AccessibleTexts()> texts,
                              std::function<void()> press = {}, ReadAs readAs = ReadAs::WithParts);

// Tells a listening screen reader that widget's name, value and description changed.
void announceChange(QWidget* widget);

// A reading as spoken: "45 degrees Celsius", "11.9776 volts", "4980 RPM"; a failed one as
// its text, a sensor not read yet as "no reading yet".
QString spokenReading(const std::string& readingText, const std::string& unit);
// "high threshold 75, low threshold 0".
QString spokenThresholds(const SensorSlot& sensor);

}  // namespace qorv
