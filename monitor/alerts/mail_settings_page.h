// The mail settings of the General Setting page: the receiver drop-down and its
// remembered addresses, the key filter of the address field, "OK" and "Delete Address
// Record". The drop-down's items are a plain list here; the widget mirrors it.
#pragma once

#include <string>
#include <vector>

#include "mail_settings.h"
#include "user_text.h"

namespace qorv {

inline constexpr const char* kMailEmptyMessage =
    QT_TRANSLATE_NOOP("Qorvmon", "The mail server/address is empty! The mail alert will not be effective! ");

using AddressList = std::vector<std::string>;

// Letters, digits, ".", "@", Enter and Backspace pass; anything else becomes Enter.
int addressKeyFilter(int key);

bool addressIsListed(const std::string& address, const AddressList& list);

// Adds to the list every remembered address it does not hold yet, in table order.
void fillAddressList(const MailSettings& mail, AddressList& list);

// "OK": takes the address and server texts as the mail settings and remembers a new
// address. When all 26 places are taken the oldest address gives way, so the newest
// receivers are the ones remembered. Returns the message to show, or empty. The caller
// saves the settings afterwards.
std::string applyMailSettings(MailSettings& mail, AddressList& list, const std::string& addressText,
                              const std::string& serverText);

// "Delete Address Record": forgets every remembered address and the current receiver; the
// server stays.
void forgetAllAddresses(MailSettings& mail, AddressList& list);

}  // namespace qorv
