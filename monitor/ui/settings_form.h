// FrmSetting, the General Setting page's form: the alert mail's receiver and server with
// the remembered receivers ("E--MAIL"), the system-information button ("SYSTEM"), a note on
// where beeps are set ("SOUND"), and "OK", which takes the mail fields and saves.
#pragma once

#include <QWidget>
#include <functional>

#include "platform.h"
#include "startup.h"

class QComboBox;
class QLineEdit;

namespace qorv {

class SettingsForm : public QWidget {
    Q_OBJECT

public:
    // save writes the settings file.
    SettingsForm(MonitorState& state, Platform& platform, std::function<void()> save, QWidget* parent = nullptr);

    // The current receiver into the address field, every remembered receiver into its
    // list, the server into its field.
    void showMailSettings();

private:
    void buildMailFrame();
    void buildSystemFrame();
    void buildSoundFrame();
    // "OK": the fields become the mail settings, a new receiver is remembered, then saved.
    void applyAndSave();
    // "Delete Address Record": every remembered receiver and the current one are forgotten.
    void forgetAddresses();

    MonitorState& state_;
    Platform& platform_;
    std::function<void()> save_;
    QComboBox* address_ = nullptr;
    QLineEdit* server_ = nullptr;
};

}  // namespace qorv
