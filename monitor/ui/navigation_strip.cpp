#include "navigation_strip.h"

#include <QMouseEvent>

#include "accessibility.h"
#include "artwork.h"
#include "picture_target.h"
#include "ui_geometry.h"

namespace qorv {

namespace {

constexpr const char* kButtonNames[ui::kNavigationButtons] = {"L_about", "L_Real", "L_Settings", "L_Qorvanescope",
                                                              "L_Exit"};

// What a screen reader calls each button, and what it does.
constexpr const char* kSpokenNames[ui::kNavigationButtons] = {
    QT_TRANSLATE_NOOP("qorv::NavigationStrip", "About"), QT_TRANSLATE_NOOP("qorv::NavigationStrip", "Monitoring"),
    QT_TRANSLATE_NOOP("qorv::NavigationStrip", "Settings"), QT_TRANSLATE_NOOP("qorv::NavigationStrip", "Board view"),
    QT_TRANSLATE_NOOP("qorv::NavigationStrip", "Exit")};
constexpr const char* kSpokenActions[ui::kNavigationButtons] = {
    QT_TRANSLATE_NOOP("qorv::NavigationStrip", "Shows the About page"),
    QT_TRANSLATE_NOOP("qorv::NavigationStrip", "Shows the System Monitoring page"),
    QT_TRANSLATE_NOOP("qorv::NavigationStrip", "Shows the General Setting page"),
    QT_TRANSLATE_NOOP("qorv::NavigationStrip", "Shows the picture of the board with its sensors"),
    QT_TRANSLATE_NOOP("qorv::NavigationStrip", "Saves the settings and ends the monitor")};

// A transparent target over one button of the picture; activating it chooses its command.
class ClickTarget : public PictureTarget {
public:
    ClickTarget(int command, NavigationStrip* strip) : PictureTarget(strip), command_(command), strip_(strip) {}

protected:
    void activate(QPoint, bool) override { emit strip_->commandChosen(command_); }

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
        auto spoken = [i] { return AccessibleTexts{tr(kSpokenNames[i]), {}, tr(kSpokenActions[i])}; };
        describeForScreenReaders(target, QAccessible::Button, spoken, [this, i] { emit commandChosen(i); });
    }
    describeForScreenReaders(this, QAccessible::ToolBar, [] { return AccessibleTexts{tr("Navigation"), {}, {}}; });
}

void NavigationStrip::mouseMoveEvent(QMouseEvent* event) {
    emit pointerMoved();
    QLabel::mouseMoveEvent(event);
}

void NavigationStrip::showPage(int page) {
    page_ = page;
    if (isVisible()) setPixmap(artwork::navigationStrip(page));
}

void NavigationStrip::showEvent(QShowEvent* event) {
    QLabel::showEvent(event);
    setPixmap(artwork::navigationStrip(page_));
}

void NavigationStrip::hideEvent(QHideEvent* event) {
    QLabel::hideEvent(event);
    clear();
}

}  // namespace qorv
