// The notification-area icon and its menu: a click brings the window back, a right click
// also opens the menu. Added once per process, removed by every exit.
#pragma once

#include <QObject>
#include <QString>

class QMenu;
class QSystemTrayIcon;
class QWidget;

namespace qorv {

class TrayIcon : public QObject {
    Q_OBJECT

public:
    static constexpr int kTipLength = 64;

    TrayIcon(QWidget* window, QMenu* menu);
    ~TrayIcon() override;

    void AddTrayIcon();
    void SetTrayTip(const QString& text);
    void RemoveTrayIcon();
    bool added() const { return added_; }
    QSystemTrayIcon* icon() const { return icon_; }

    // Brings the window back in its normal size with the focus.
    void restoreWindow();

private:
    QWidget* window_;
    QMenu* menu_;
    QSystemTrayIcon* icon_;
    bool added_ = false;
};

}  // namespace qorv
