#include "system_exit.h"

#include <utility>

#include "alarm.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <QtDBus/QDBusConnection>
#include <QtDBus/QDBusError>
#include <QtDBus/QDBusMessage>
#endif

namespace qorv {

namespace {

// The only two requests an alarm makes, and the login manager's method for each.
struct ExitAction {
    uint32_t flags;
    const char* logindMethod;
};
constexpr ExitAction kExitActions[] = {
    {kPowerOffFlags, "PowerOff"},
    {kRebootFlags, "Reboot"},
};

const char* logindMethodFor(uint32_t flags) {
    for (const ExitAction& a : kExitActions)
        if (a.flags == flags) return a.logindMethod;
    return nullptr;
}

}  // namespace

SystemExit::SystemExit(MessageSink message, Reporter report, std::string busAddress)
    : message_(std::move(message)), report_(std::move(report)), busAddress_(std::move(busAddress)) {}

bool SystemExit::ExitSystem(uint32_t flags) {
    const char* action = logindMethodFor(flags);
    if (!action) {
        refuse("flags " + std::to_string(flags) + " ask for neither power-off nor restart");
        return false;
    }
    return request(action, flags);
}

void SystemExit::refuse(const std::string& why) {
    if (report_) report_("the system exit was refused: " + why);
    if (message_) message_(kExitRefusedMessage);
}

#ifdef _WIN32

namespace {

constexpr DWORD kTokenAccess = TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY;  // 0x28
// The reason code sent with every request; the system only records it.
constexpr DWORD kShutdownReason = 0xFFFFFFFF;

}  // namespace

void EnableShutdownPrivilege() {
    // No step is checked: a privilege that could not be had shows up as a refused exit.
    HANDLE token = nullptr;
    OpenProcessToken(GetCurrentProcess(), kTokenAccess, &token);
    TOKEN_PRIVILEGES wanted{};
    LookupPrivilegeValueA(nullptr, "SeShutdownPrivilege", &wanted.Privileges[0].Luid);
    wanted.PrivilegeCount = 1;
    wanted.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    TOKEN_PRIVILEGES previous{};
    DWORD previousLength = sizeof previous;
    AdjustTokenPrivileges(token, FALSE, &wanted, sizeof previous, &previous, &previousLength);
    if (token) CloseHandle(token);
}

bool SystemExit::request(const char*, uint32_t flags) {
    EnableShutdownPrivilege();
    if (ExitWindowsEx(flags, kShutdownReason) != 0) return true;
    refuse("ExitWindowsEx(" + std::to_string(flags) + ") failed with error " + std::to_string(GetLastError()));
    return false;
}

#else

namespace {

constexpr const char* kLogindService = "org.freedesktop.login1";
constexpr const char* kLogindPath = "/org/freedesktop/login1";
constexpr const char* kLogindManager = "org.freedesktop.login1.Manager";
constexpr const char* kPrivateConnection = "qorv-system-exit";

// A connection to the bus the login manager is on, closed again with the object when it
// is a bus of its own.
class LogindBus {
public:
    explicit LogindBus(const std::string& address)
        : own_(!address.empty()),
          bus_(own_ ? QDBusConnection::connectToBus(QString::fromStdString(address), kPrivateConnection)
                    : QDBusConnection::systemBus()) {}
    ~LogindBus() {
        if (own_) QDBusConnection::disconnectFromBus(kPrivateConnection);
    }
    LogindBus(const LogindBus&) = delete;
    LogindBus& operator=(const LogindBus&) = delete;

    QDBusConnection& connection() { return bus_; }

private:
    bool own_;
    QDBusConnection bus_;
};

std::string errorText(const QString& name, const QString& message) {
    return (name + ": " + message).toStdString();
}

}  // namespace

bool SystemExit::request(const char* action, uint32_t) {
    LogindBus bus(busAddress_);
    const std::string what = std::string(kLogindManager) + "." + action;
    if (!bus.connection().isConnected()) {
        const QDBusError e = bus.connection().lastError();
        refuse(what + " could not be asked, no bus: " + errorText(e.name(), e.message()));
        return false;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(kLogindService, kLogindPath, kLogindManager, action);
    // Not interactive: nobody may be at the screen to authenticate when an alarm goes off,
    // and the request must not wait for them.
    call << false;
    const QDBusMessage reply = bus.connection().call(call, QDBus::Block);
    if (reply.type() == QDBusMessage::ReplyMessage) return true;
    refuse(what + ": " + errorText(reply.errorName(), reply.errorMessage()));
    return false;
}

#endif

}  // namespace qorv
