// Every page and dialog of the window, opened one after another as a user opens them.
#pragma once

#include <QString>
#include <functional>

#include "startup.h"

class QWidget;

namespace qorv {
class MainWindow;
}

namespace qorv::testing {

// seen gets each view while it is shown, with its name and the window it is in: the About,
// General Setting, System Monitoring (each tab) and Qorvanescope pages, the sensor panel on
// a voltage, a temperature and a fan, the board selection and the countdown before a
// shutdown. The window must be shown and loaded.
void showEveryView(MainWindow& window, MonitorState& state,
                   const std::function<void(const QString& view, QWidget* shown)>& seen);

}  // namespace qorv::testing
