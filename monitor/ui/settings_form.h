// FrmSetting, the General Setting page's form: the alert mail's receiver and server with
// the remembered receivers ("E--MAIL"), the system-information button ("SYSTEM"), a note on
// where beeps are set ("SOUND"), and "OK", which takes the mail fields and saves.
#pragma once

#include <QWidget>
#include <functional>

#include "platform.h"
#include "startup.h"

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

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
    // Places every part: at the default font where it has always stood; a larger font grows
    // what its text needs and moves what follows along, and the form with it.
    void layOut();
    // "OK": the fields become the mail settings, a new receiver is remembered, then saved.
    void applyAndSave();
    // "Delete Address Record": every remembered receiver and the current one are forgotten.
    void forgetAddresses();

    MonitorState& state_;
    Platform& platform_;
    std::function<void()> save_;
    QComboBox* address_ = nullptr;
    QLineEdit* server_ = nullptr;
    QGroupBox* mailFrame_ = nullptr;
    QLabel* addressCaption_ = nullptr;
    QLabel* serverCaption_ = nullptr;
    QPushButton* forget_ = nullptr;
    QLabel* mailNote_ = nullptr;
    QGroupBox* systemFrame_ = nullptr;
    QPushButton* information_ = nullptr;
    QLabel* systemNote_ = nullptr;
    QGroupBox* soundFrame_ = nullptr;
    QLabel* soundPicture_ = nullptr;
    QLabel* soundNote_ = nullptr;
    QPushButton* ok_ = nullptr;
};

}  // namespace qorv
