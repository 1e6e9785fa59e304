#include "tray_icon.h"

#include <QMenu>
#include <QSystemTrayIcon>
#include <QWidget>

#include "artwork.h"

namespace qorv {

TrayIcon::TrayIcon(QWidget* window, QMenu* menu)
    : QObject(window), window_(window), menu_(menu), icon_(new QSystemTrayIcon(artwork::applicationIcon(), this)) {
    icon_->setObjectName("TrayIcon");
    icon_->setContextMenu(menu_);
    connect(icon_, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        // A right click shows the window first; Qt then opens the menu itself.
        if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::Context ||
            reason == QSystemTrayIcon::DoubleClick)
            restoreWindow();
    });
}

TrayIcon::~TrayIcon() { RemoveTrayIcon(); }

void TrayIcon::AddTrayIcon() {
    icon_->show();
    added_ = true;
}

void TrayIcon::SetTrayTip(const QString& text) { icon_->setToolTip(text.left(kTipLength)); }

void TrayIcon::RemoveTrayIcon() {
    icon_->hide();
    added_ = false;
}

void TrayIcon::restoreWindow() {
    if (window_->isMinimized()) window_->showNormal();
    window_->show();
    window_->raise();
    window_->activateWindow();
}

}  // namespace qorv
