// One Qorvmon per user: a lock file decides (a crashed holder's lock is taken over), and
// the holder listens on a local socket so a second launch can bring its window back, which
// is how a user reaches a hidden window on a desktop without a notification area.
#pragma once

#include <QLockFile>
#include <QObject>
#include <QString>
#include <functional>
#include <memory>

class QLocalServer;

namespace qorv {

inline constexpr const char* kAlreadyRunning = "Qorvane System Monitor is running !";

class SingleInstance : public QObject {
    Q_OBJECT

public:
    // folder: where the lock lives (the user's runtime folder by default).
    explicit SingleInstance(QString folder = {});
    ~SingleInstance() override;

    // True when this process holds the lock; then raise is called whenever a later launch
    // asks for the window.
    bool acquire(std::function<void()> raise);
    // From a launch that lost: asks the holder to show its window. True when it answered.
    bool askHolderToRaise() const;

    QString serverName() const { return serverName_; }

private:
    QLockFile lock_;
    QString serverName_;
    std::unique_ptr<QLocalServer> server_;
};

}  // namespace qorv
