// A board emulated for the window's tests and tools: a program folder of its own with the
// board's files, the driver service on a private socket, and the library pointed at it.
#pragma once

#include <QString>
#include <QTemporaryDir>
#include <memory>
#include <string>

#include "service_process.h"
#include "startup.h"

namespace qorv::testing {

class EmulatedBoard {
public:
    explicit EmulatedBoard(const QString& board = "M4430");
    ~EmulatedBoard();

    bool ready() const { return service_ && service_->ready(); }
    std::string log() const { return service_ ? service_->log() : std::string(); }
    // First use of the board in that program folder: the board's defaults apply.
    MonitorState firstUseState() const;

private:
    QString board_;
    QTemporaryDir folder_;
    std::unique_ptr<ServiceProcess> service_;
};

}  // namespace qorv::testing
