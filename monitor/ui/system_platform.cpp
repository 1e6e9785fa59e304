#include "system_platform.h"

#include <QMessageBox>
#include <QSystemTrayIcon>
#include <cstdio>
#include <unistd.h>

#include "system_information.h"
#include "ui_text.h"

namespace qorv {

SystemPlatform::SystemPlatform()
    : tone_([this](const std::string& m) { log(m); }),
      mail_([this](const std::string& m) { log(m); }),
      exit_([this](const std::string& m) { message(m); }, [this](const std::string& m) { log(m); }) {}

void SystemPlatform::tone(int32_t frequency, int32_t duration) { tone_.play(frequency, duration); }

void SystemPlatform::sendAlertMail(const std::string& sensorName, const std::string& alertText,
                                   const std::string& receiver, const std::string& server) {
    mail_.ResetMailSession();
    mail_.SendAlertMail(sensorName, alertText, receiver, server);
}

void SystemPlatform::exitSystem(int flags) { exit_.ExitSystem(uint32_t(flags)); }

void SystemPlatform::endProcess(int code) {
    // Everything worth keeping is saved before any exit path gets here; Qt's own quit
    // would ask the windows first, and the main window only hides when asked.
    std::fflush(nullptr);
    ::_exit(code);
}

void SystemPlatform::message(const std::string& text) {
    QMessageBox box(QMessageBox::NoIcon, kApplicationTitle, uiText(text), QMessageBox::Ok, parent_);
    box.exec();
}

void SystemPlatform::startSystemInformation() {
    StartSystemInformation([this](const std::string& m) { message(m); });
}

bool SystemPlatform::notificationAreaAvailable() const { return QSystemTrayIcon::isSystemTrayAvailable(); }

void SystemPlatform::log(const std::string& text) {
    std::fprintf(stderr, "Qorvmon: %s\n", text.c_str());
    std::fflush(stderr);
}

}  // namespace qorv
