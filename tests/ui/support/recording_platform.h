// A platform for the widget tests: keeps every tone, mail, exit, message and end instead
// of making them.
#pragma once

#include <string>
#include <vector>

#include "platform.h"

namespace qorv::testing {

class RecordingPlatform final : public Platform {
public:
    void tone(int32_t frequency, int32_t duration) override {
        calls.push_back("tone " + std::to_string(frequency) + " " + std::to_string(duration));
    }
    void sendAlertMail(const std::string& name, const std::string& text, const std::string& to,
                       const std::string& server) override {
        calls.push_back("mail " + name + " | " + text + " | " + to + " | " + server);
    }
    void exitSystem(int flags) override { calls.push_back("exit " + std::to_string(flags)); }
    void endProcess(int code) override {
        calls.push_back("end " + std::to_string(code));
        ended = true;
    }
    void message(const std::string& text) override { messages.push_back(text); }
    void startSystemInformation() override { calls.push_back("system information"); }
    void log(const std::string& text) override { logs.push_back(text); }
    bool notificationAreaAvailable() const override { return notificationArea; }

    std::vector<std::string> calls;
    std::vector<std::string> messages;
    std::vector<std::string> logs;
    bool ended = false;
    bool notificationArea = true;
};

}  // namespace qorv::testing
