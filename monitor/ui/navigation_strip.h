// The navigation strip "Menu": a picture of five buttons with a caption-less click target
// laid over each (L_about, L_Real, L_Settings, L_Qorvanescope, L_Exit).
#pragma once

#include <QLabel>

namespace qorv {

class NavigationStrip : public QLabel {
    Q_OBJECT

public:
    enum Command { kAbout = 0, kMonitoring = 1, kSettings = 2, kBoardView = 3, kExit = 4 };

    explicit NavigationStrip(QWidget* parent = nullptr);

    // Shows the strip with the page's button lit.
    void showPage(int page);

signals:
    void commandChosen(int command);
    // The pointer moved over the strip.
    void pointerMoved();

protected:
    void mouseMoveEvent(QMouseEvent* event) override;
    // The strip's picture is drawn while the window shows: a hidden window holds none.
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    int page_ = 0;
};

}  // namespace qorv
