#include "picture_target.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include "focus_frame.h"

namespace qorv {

PictureTarget::PictureTarget(QWidget* parent) : QLabel(parent) {
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
}

void PictureTarget::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        activate(event->globalPosition().toPoint(), false);
    else
        QLabel::mouseReleaseEvent(event);
}

void PictureTarget::keyPressEvent(QKeyEvent* event) {
    const bool plain = (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    const int key = event->key();
    if (plain && (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space)) {
        event->accept();
        activate(keyboardPoint(), true);
        return;
    }
    QLabel::keyPressEvent(event);
}

void PictureTarget::paintEvent(QPaintEvent* event) {
    QLabel::paintEvent(event);
    if (!showsKeyboardFocus(this)) return;
    QPainter painter(this);
    paintFocusFrame(painter, rect());
}

}  // namespace qorv
