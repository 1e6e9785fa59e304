// How a widget that draws itself shows the keyboard focus: a frame, drawn only once the
// keyboard has moved the focus in the widget's window, as the styles draw theirs, so a
// window used with the pointer looks as it always did.
#pragma once

class QPainter;
class QRect;
class QWidget;

namespace qorv {

// Whether widget has the focus and the keyboard has moved the focus in its window.
bool showsKeyboardFocus(const QWidget* widget);

// Two rings inside rect, dark outside and light inside, so the frame shows on any picture.
void paintFocusFrame(QPainter& painter, const QRect& rect);

}  // namespace qorv
