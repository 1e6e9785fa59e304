// Where alert mails go: the mail server, the receiver, and the remembered receivers.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace qorv {

struct MailSettings {
    static constexpr int kMaxAddresses = 26;

    std::string ServerAddress;
    std::string CurrentAddress;  // the one receiver of alert mails
    std::array<std::string, kMaxAddresses> Addresses{};
    int16_t AddressCount = 0;
};

}  // namespace qorv
