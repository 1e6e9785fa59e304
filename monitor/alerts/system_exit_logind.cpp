// The system exit on Linux: the login manager's PowerOff or Reboot over D-Bus.
#include "system_exit.h"

#include <QtDBus/QDBusConnection>
#include <QtDBus/QDBusError>
#include <QtDBus/QDBusMessage>

namespace qorv {

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

std::string errorText(const QString& name, const QString& message) { return (name + ": " + message).toStdString(); }

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

}  // namespace qorv
