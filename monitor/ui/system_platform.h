// The real platform: ALSA or the console speaker for tones, the mail library for mails,
// logind for the system exit, Qt message boxes.
#pragma once

#include <QWidget>
#include <memory>

#include "alert_tone.h"
#include "mail_alert.h"
#include "platform.h"
#include "system_exit.h"

namespace qorv {

class SystemPlatform final : public Platform {
public:
    SystemPlatform();

    // Message boxes are owned by this window while it exists.
    void setMessageParent(QWidget* parent) { parent_ = parent; }

    void tone(int32_t frequency, int32_t duration) override;
    void sendAlertMail(const std::string& sensorName, const std::string& alertText, const std::string& receiver,
                       const std::string& server) override;
    void exitSystem(int flags) override;
    void endProcess(int code) override;
    void message(const std::string& text) override;
    void startSystemInformation() override;
    void log(const std::string& text) override;
    bool notificationAreaAvailable() const override;

private:
    QWidget* parent_ = nullptr;
    AlertTone tone_;
    MailAlert mail_;
    SystemExit exit_;
};

}  // namespace qorv
