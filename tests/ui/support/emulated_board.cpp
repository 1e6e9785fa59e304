#include "emulated_board.h"

#include <QFile>

namespace qorv::testing {

EmulatedBoard::EmulatedBoard(const QString& board) : board_(board) {
    for (const char* ext : {".txt", ".jpg"})
        QFile::copy(QString(QORV_BOARDS_DIR) + "/" + board + ext, folder_.filePath(board + ext));
    const std::string socket = folder_.filePath("qvnbdrv.sock").toStdString();
    service_ = std::make_unique<ServiceProcess>(folder_.filePath(board + ".txt").toStdString(), socket,
                                                folder_.filePath("qvnbdrv.log").toStdString());
    qputenv("QVNBDRV_SOCKET", QByteArray::fromStdString(socket));
}

EmulatedBoard::~EmulatedBoard() {
    service_.reset();
    qunsetenv("QVNBDRV_SOCKET");
}

MonitorState EmulatedBoard::firstUseState() const {
    MonitorState state;
    state.programFolder = folder_.path().toStdString();
    state.boardName = board_.toStdString();
    state.boardNotChosen = kYes;
    return state;
}

}  // namespace qorv::testing
