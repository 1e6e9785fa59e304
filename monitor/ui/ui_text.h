// A text from the core or the alert code as the window shows it: translated when it is one of
// their marked fixed texts (user_text.h), as composed otherwise.
#pragma once

#include <QCoreApplication>
#include <QString>
#include <string>

#include "user_text.h"

namespace qorv {

inline QString uiText(const std::string& source) { return QCoreApplication::translate(kTextScope, source.c_str()); }

}  // namespace qorv
