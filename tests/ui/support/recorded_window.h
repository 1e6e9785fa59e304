// A main window over the real core with a recording library and platform, on board M4430
// copied into a program folder of the test's.
#pragma once

#include <QFile>
#include <QTemporaryDir>
#include <memory>

#include "main_window.h"
#include "recording_platform.h"
#include "recording_source.h"

namespace qorv::testing {

struct RecordedWindow {
    std::unique_ptr<MonitorState> state;
    std::unique_ptr<RecordingSource> library;
    std::unique_ptr<RecordingPlatform> platform;
    std::unique_ptr<MainWindow> window;  // last: it goes before what it refers to

    // A fresh, loaded window. The folder gets the board file, and its picture unless told
    // otherwise; any settings file in it is removed.
    void makeRecordedWindow(const QTemporaryDir& folder, bool withPicture, int16_t boardNotChosen) {
        const QString boards = QORV_BOARDS_DIR;
        for (const char* name : {"M4430.txt", "M4430.jpg", "QHwmset"}) QFile::remove(folder.filePath(name));
        QFile::copy(boards + "/M4430.txt", folder.filePath("M4430.txt"));
        if (withPicture) QFile::copy(boards + "/M4430.jpg", folder.filePath("M4430.jpg"));
        window.reset();
        state = std::make_unique<MonitorState>();
        state->programFolder = folder.path().toStdString();
        state->boardName = "M4430";
        state->boardNotChosen = boardNotChosen;
        library = std::make_unique<RecordingSource>();
        platform = std::make_unique<RecordingPlatform>();
        window = std::make_unique<MainWindow>(*state, *library, *platform);
        window->load();
    }
};

}  // namespace qorv::testing
