#include "opening_effect.h"

#include <QPainter>
#include <QTimer>
#include <memory>

namespace qorv {

namespace {
constexpr int kFrameMs = 16;
constexpr int kFrames = 16;  // the whole effect in about a quarter of a second
}  // namespace

QRect openingRectangle(const QRect& window, int i, int steps) {
    const int width = window.width() * i / steps;
    const int height = window.height() * i / steps;
    return {window.left() + (window.width() - width) / 2, window.top() + (window.height() - height) / 2, width, height};
}

OpeningEffect::OpeningEffect(QWidget* window, int steps) : QWidget(window), steps_(steps) {
    setObjectName("OpeningEffect");
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    setGeometry(window->rect());
    raise();
    show();
    auto* timer = new QTimer(this);
    timer->setInterval(kFrameMs);
    const int last = steps * 3 / 4;
    connect(timer, &QTimer::timeout, this, [this, timer, last] {
        drawn_ = std::min(last, drawn_ + std::max(1, last / kFrames));
        update();
        if (drawn_ >= last) {
            timer->stop();
            QTimer::singleShot(kFrameMs * 2, this, &QObject::deleteLater);
        }
    });
    timer->start();
}

void OpeningEffect::paintEvent(QPaintEvent*) {
    if (drawn_ == 0) return;
    QPainter p(this);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 192));
    // The rectangles lie inside one another: the last drawn covers all before it.
    p.drawRect(openingRectangle(rect(), drawn_, steps_));
}

}  // namespace qorv
