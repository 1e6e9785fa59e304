#include "focus_frame.h"

#include <QColor>
#include <QPainter>
#include <QWidget>

namespace qorv {

namespace {
const QColor kOuterRing(11, 87, 208);
const QColor kInnerRing(255, 255, 255);
}  // namespace

bool showsKeyboardFocus(const QWidget* widget) {
    return widget->hasFocus() && widget->window()->testAttribute(Qt::WA_KeyboardFocusChange);
}

void paintFocusFrame(QPainter& painter, const QRect& rect) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(kOuterRing, 2));
    painter.drawRoundedRect(QRectF(rect).adjusted(1, 1, -1, -1), 3, 3);
    painter.setPen(QPen(kInnerRing, 1));
    painter.drawRoundedRect(QRectF(rect).adjusted(2.5, 2.5, -2.5, -2.5), 2, 2);
    painter.restore();
}

}  // namespace qorv
