// The board file's sensor list: which sensors the board has, how to read each, their
// default alert settings and where their labels sit on the board picture.
#pragma once

#include <string>
#include <vector>

#include "file_report.h"
#include "sensor_source.h"
#include "sensor_table.h"

namespace qorv {

using file_io::FileReport;

// The board file of a board: <folder>/<board>.txt.
std::string boardFilePath(const std::string& programFolder, const std::string& board);

// Fills the sensor count and the board-file fields of the slots, from a regular file of at
// most 1 MiB. A block that cannot be read whole (a number that does not convert, the file
// ending inside it or at a line longer than 4 KiB) is reported and
// ends the list: the count is then the number of whole blocks read. Problems name the
// file and the line.
FileReport readSensorList(const std::string& path, SensorTable& table);

// Reads the sensor list, then binds the library to the same file: ReleaseDLL, InitDLL.
FileReport ReadBoardFile(const std::string& path, SensorTable& table, SensorSource& library);

// First use: the board file's defaults become the current alert settings.
void ApplySensorDefaults(SensorTable& table);
// The same for one slot: its current alert settings become the board file's defaults.
void applySlotDefaults(SensorSlot& slot);

}  // namespace qorv
