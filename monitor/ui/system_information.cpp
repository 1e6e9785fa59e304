#include "system_information.h"

#include <QProcess>
#include <QString>

namespace qorv {

void StartSystemInformation(const std::function<void(const std::string&)>& message) {
    const std::string program = systemInformationProgram();
    if (program.empty() || !QProcess::startDetached(QString::fromLocal8Bit(program.c_str())))
        message(kSystemInformationUnavailable);
}

}  // namespace qorv
