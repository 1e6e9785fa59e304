#include "board_description.h"

#include <fstream>

#include "description_parser.h"

namespace qvnbdrv {

BoardDescription BoardDescription::load(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file.is_open()) throw BoardFileError("cannot open board file " + path);

    qvnhwm::HardwareDescription description;
    if (!qvnhwm::parseDescription(file, description))
        throw BoardFileError("the hardware description in " + path +
                             " does not parse: it needs <QVN>, <MB> ... </MB> and known chip models");
    if (!description.southbridge) throw BoardFileError("the hardware description in " + path + " names no <SB>");
    if (!description.hostFamily)
        throw BoardFileError("the southbridge \"" + *description.southbridge + "\" in " + path + " is not supported");

    BoardDescription board;
    board.path = path;
    board.model = description.boardModel;
    board.southbridge = *description.southbridge;
    board.hostFamily = uint32_t(*description.hostFamily);
    for (const qvnhwm::ChipBlock& block : description.chips)
        board.chips.push_back({block.kind, block.id.value_or(""), block.address(), block.behindBoardSwitch()});
    return board;
}

}  // namespace qvnbdrv
