// The words of the About page: what the program is, the terms it is used under, and its
// version.
#pragma once

#include "user_text.h"

namespace qorv::about {

inline constexpr const char* kVersionText = "v 2.0.7";

inline constexpr const char* kProductName = QT_TRANSLATE_NOOP("Qorvmon", "Qorvane System Monitor");

inline constexpr const char* kDescription[] = {
    QT_TRANSLATE_NOOP("Qorvmon",
                      "Qorvane System Monitor keeps watch over the health of a Qorvane server board. It reads the "
                      "fan speeds, voltages and temperatures that the board's hardware monitor chips measure, and "
                      "shows them in tables and gauges on the System Monitoring page and at their places on the "
                      "board in Qorvanescope."),
    QT_TRANSLATE_NOOP("Qorvmon",
                      "For every sensor you choose a high and a low limit and what happens when a reading crosses "
                      "one: a beep, an e-mail to the administrator, or an orderly reboot or shutdown of the system. "
                      "Monitoring goes on while the window is hidden; the icon in the notification area brings it "
                      "back."),
};

inline constexpr const char* kTermsTitle = QT_TRANSLATE_NOOP("Qorvmon", "Terms of Use");

inline constexpr const char* kTerms[] = {
    QT_TRANSLATE_NOOP("Qorvmon",
                      "Qorvane System Monitor (\"the Software\") is provided by Qorvane free of charge for use with "
                      "Qorvane server boards. By installing, copying or using the Software you agree to these "
                      "terms. If you do not agree, do not install or use it."),
    QT_TRANSLATE_NOOP("Qorvmon",
                      "1. Licence. You may install and use the Software on any number of computers built on Qorvane "
                      "server boards and make copies of it for backup. You may not sell, rent or lease the "
                      "Software, and you may not modify, decompile or disassemble it except where the law "
                      "expressly allows it."),
    QT_TRANSLATE_NOOP("Qorvmon",
                      "2. Ownership. The Software is licensed, not sold. Qorvane keeps all rights, title and "
                      "interest in the Software and its documentation."),
    QT_TRANSLATE_NOOP("Qorvmon",
                      "3. No warranty. The Software is provided \"as is\", without warranty of any kind, express or "
                      "implied, including the warranties of merchantability, fitness for a particular purpose and "
                      "non-infringement. Qorvane does not warrant that the Software is free of errors or that its "
                      "readings are accurate for any particular board, chip or configuration."),
    QT_TRANSLATE_NOOP("Qorvmon",
                      "4. Use at your own risk. The Software can sound alarms, send e-mail and reboot or shut down "
                      "the computer when the limits you set are crossed. You are responsible for choosing suitable "
                      "limits and actions and for keeping your data safe. The Software does not replace the "
                      "protection built into the board and its power supply."),
    QT_TRANSLATE_NOOP("Qorvmon",
                      "5. Limitation of liability. To the extent the law permits, Qorvane and its suppliers shall "
                      "not be liable for any damages whatsoever, including loss of data, loss of profits or "
                      "interruption of business, arising from the use of or the inability to use the Software, "
                      "even if Qorvane has been advised of the possibility of such damages."),
    QT_TRANSLATE_NOOP("Qorvmon",
                      "6. Termination. This licence ends by itself if you fail to comply with any of these terms. "
                      "You must then stop using the Software and destroy all copies of it."),
    QT_TRANSLATE_NOOP("Qorvmon", "Qorvane and Qorvane System Monitor are trademarks of Qorvane. All rights reserved."),
};

}  // namespace qorv::about
