// check_boards [--every-family] BOARDFILE...: checks each board file and its picture, prints
// every sensor's nominal reading on the simulated board, exits 1 on any fault.
#include <QCoreApplication>

#include <cstring>
#include <iostream>

#include "board_checker.h"

int main(int argc, char** argv) {
    // Picture formats are plugins, found through the application's library paths.
    QCoreApplication application(argc, argv);
    std::vector<std::string> paths;
    bool everyFamily = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--every-family") == 0)
            everyFamily = true;
        else
            paths.emplace_back(argv[i]);
    }
    if (paths.empty()) {
        std::cerr << "Usage: check_boards [--every-family] BOARDFILE...\n"
                     "  --every-family  fail unless the boards cover every SMBus host family\n";
        return 2;
    }
    return qorv::board_check::checkBoards(paths, everyFamily, std::cout);
}
