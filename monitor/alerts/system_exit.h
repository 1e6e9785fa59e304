// Asks the operating system to power off or restart the machine once an alarm's
// countdown has gone ahead. On Linux the request goes to the login manager over D-Bus,
// which decides on its own whether this user may do it; on Windows the process first
// enables its shutdown privilege. A request the system does not grant is shown to the
// user and logged; the caller ends the application either way.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "user_text.h"

namespace qorv {

inline constexpr const char* kExitRefusedMessage = QT_TRANSLATE_NOOP("Qorvmon", "Can not close down Windows");

class SystemExit {
public:
    // Shows a message to the user and returns once it has been seen.
    using MessageSink = std::function<void(const std::string&)>;
    // Takes a line for the log.
    using Reporter = std::function<void(const std::string&)>;

    // busAddress: the D-Bus address at which the login manager is reached; empty for the
    // system bus. Not used on Windows.
    SystemExit(MessageSink message, Reporter report, std::string busAddress = {});

    // flags: 13 to power off, 6 to restart. Any other value is refused. True when the
    // system took the request.
    bool ExitSystem(uint32_t flags);

private:
    bool request(const char* action, uint32_t flags);
    void refuse(const std::string& why);

    MessageSink message_;
    Reporter report_;
    std::string busAddress_;
};

#ifdef _WIN32
// Enables the shutdown privilege of this process's own token.
void EnableShutdownPrivilege();
#endif

}  // namespace qorv
