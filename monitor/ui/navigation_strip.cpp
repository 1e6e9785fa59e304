#include "navigation_strip.h"

#include <QMouseEvent>

#include "artwork.h"
#include "ui_geometry.h"

namespace qorv {

namespace {

constexpr const char* kButtonNames[ui::kNavigationButtons] = {"L_about", "L_Real", "L_Settings", "L_Qorvanescope",
                                                              "L_Exit"};

// A transparent label over one button of the picture; a click chooses its command.
class ClickTarget : public QLabel {
public:
    ClickTarget(int command, NavigationStrip* strip) : QLabel(strip), command_(command), strip_(strip) {
        setCursor(Qt::PointingHandCursor);
    }

protected:
    void mouseReleaseEvent(QMouseEvent* event) override {
        if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
            emit strip_->commandChosen(command_);
    }

private:
    int command_;
    NavigationStrip* strip_;
};

}  // namespace

NavigationStrip::NavigationStrip(QWidget* parent) : QLabel(parent) {
    setObjectName("Menu");
    setFixedSize(ui::stripSize());
    setMouseTracking(true);
    for (int i = 0; i < ui::kNavigationButtons; ++i) {
        auto* target = new ClickTarget(i, this);
        target->setObjectName(kButtonNames[i]);
        target->setGeometry(ui::navigationButton(i));
    }
}

void NavigationStrip::mouseMoveEvent(QMouseEvent* event) {
    emit pointerMoved();
    QLabel::mouseMoveEvent(event);
}

void NavigationStrip::showPage(int page) { setPixmap(artwork::navigationStrip(page)); }

}  // namespace qorv
