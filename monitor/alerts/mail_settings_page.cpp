#include "mail_settings_page.h"

#include <algorithm>
#include <string_view>

#include "alert_settings.h"

namespace qorv {

int addressKeyFilter(int key) {
    // Every character a mailbox may hold; spaces, controls and the SMTP dialogue's own
    // punctuation (CR, LF, <, >, comma, quotes, brackets) never reach the field.
    static constexpr std::string_view kAddressMarks = "!#$%&'*+-/=?^_`{|}~.@";
    const bool letterOrDigit = (key >= '0' && key <= '9') || (key >= 'A' && key <= 'Z') || (key >= 'a' && key <= 'z');
    const bool mark = key > 0 && key < 0x80 && kAddressMarks.find(char(key)) != std::string_view::npos;
    const bool accepted = key == kKeyBackspace || key == kKeyEnter || letterOrDigit || mark;
    return accepted ? key : kKeyEnter;
}

bool addressIsListed(const std::string& address, const AddressList& list) {
    return std::find(list.begin(), list.end(), address) != list.end();
}

void fillAddressList(const MailSettings& mail, AddressList& list) {
    for (int i = 0; i < mail.AddressCount; ++i)
        if (!addressIsListed(mail.Addresses[size_t(i)], list)) list.push_back(mail.Addresses[size_t(i)]);
}

std::string applyMailSettings(MailSettings& mail, AddressList& list, const std::string& addressText,
                              const std::string& serverText) {
    const std::string message = addressText.empty() || serverText.empty() ? kMailEmptyMessage : "";
    mail.CurrentAddress = addressText;
    mail.ServerAddress = serverText;
    if (!mail.CurrentAddress.empty() && !addressIsListed(mail.CurrentAddress, list)) {
        if (mail.AddressCount >= MailSettings::kMaxAddresses) {
            const std::string oldest = mail.Addresses[0];
            std::rotate(mail.Addresses.begin(), mail.Addresses.begin() + 1, mail.Addresses.end());
            --mail.AddressCount;
            list.erase(std::remove(list.begin(), list.end(), oldest), list.end());
        }
        mail.Addresses[size_t(mail.AddressCount++)] = mail.CurrentAddress;
        fillAddressList(mail, list);
    }
    return message;
}

void forgetAllAddresses(MailSettings& mail, AddressList& list) {
    list.clear();
    for (int i = 0; i < mail.AddressCount; ++i) mail.Addresses[size_t(i)].clear();
    mail.CurrentAddress.clear();
    mail.AddressCount = 0;
}

}  // namespace qorv
