// The window's opening effect: blue rectangles growing from the window's centre to three
// quarters of its size, drawn over it for a moment, then gone.
#pragma once

#include <QRect>
#include <QWidget>

namespace qorv {

// Rectangle i (1 .. steps * 3 / 4) of the effect for a window rectangle.
QRect openingRectangle(const QRect& window, int i, int steps);

class OpeningEffect : public QWidget {
public:
    // Covers window, plays over about a quarter of a second and deletes itself.
    OpeningEffect(QWidget* window, int steps);

protected:
    void paintEvent(QPaintEvent*) override;

private:
    int steps_;
    int drawn_ = 0;
};

}  // namespace qorv
