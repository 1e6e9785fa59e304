// The page container "Screen": the About page (product description and terms of use,
// version) and the General Setting page (FrmSetting: mail settings, system information,
// sound note, OK) share it, each with its own background.
#pragma once

#include <QWidget>
#include <functional>
#include <memory>

#include "platform.h"
#include "startup.h"

namespace qorv {

class ScreenPage : public QWidget {
    Q_OBJECT

public:
    // save writes the settings file (the General Setting page's OK).
    ScreenPage(MonitorState& state, Platform& platform, std::function<void()> save, QWidget* parent = nullptr);
    ~ScreenPage() override;

    // Hides FrmSetting, shows txtBoxAgreement and LabelVersion, About background.
    void showAbout();
    // Shows FrmSetting with the mail settings filled in, General Setting background.
    void showSettings();

protected:
    // A background is drawn only while the page shows: hidden, it holds no picture.
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    struct Parts;
    std::unique_ptr<Parts> parts_;
};

}  // namespace qorv
