#include "threshold_field.h"

#include <QKeyEvent>

namespace qorv {

ThresholdField::ThresholdField(const char* name, QWidget* parent) : QLineEdit(parent) { setObjectName(name); }

void ThresholdField::keyPressEvent(QKeyEvent* event) {
    const QString text = event->text();
    // Keys that type a character go through the filter; editing keys (arrows, Delete, Tab)
    // and shortcuts keep working.
    const bool typing =
        text.size() == 1 && text[0].isPrint() && !(event->modifiers() & (Qt::ControlModifier | Qt::MetaModifier));
    if (typing && thresholdKeyFilter(text[0].unicode()) != text[0].unicode()) return;
    QLineEdit::keyPressEvent(event);
}

void ThresholdField::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    emit left(text());
}

}  // namespace qorv
