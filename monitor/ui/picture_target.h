// A transparent target laid over one part of a picture (a button of the navigation strip, a
// sensor on the board): a left click on it, or Enter or Space while it has the focus,
// activates it. Only Tab gives it the focus, so a click leaves the focus where it was; it
// draws a focus frame while the keyboard has put the focus on it.
#pragma once

#include <QLabel>

namespace qorv {

class PictureTarget : public QLabel {
public:
    explicit PictureTarget(QWidget* parent);

    // The target's bottom-left corner on the screen: where a panel it opens from the
    // keyboard goes, as a click would put it at the pointer.
    QPoint keyboardPoint() const { return mapToGlobal(QPoint(0, height())); }

protected:
    // globalPoint: where the click was; for a key, keyboardPoint().
    virtual void activate(QPoint globalPoint, bool byKeyboard) = 0;

    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
};

}  // namespace qorv
