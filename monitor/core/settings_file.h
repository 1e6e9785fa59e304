// The settings file "QHwmset" (settings_location.h says where it lies): the chosen
// board, the mail settings and every sensor's thresholds and alert choices. Always
// written whole.
#pragma once

#include <string>

#include "file_report.h"
#include "mail_settings.h"
#include "sensor_table.h"

namespace qorv {

using file_io::FileReport;

inline constexpr const char* kSettingsFileName = "QHwmset";

std::string settingsFilePath(const std::string& programFolder);

// The board named by the file's first two lines; empty (no board chosen) when the file
// is missing, not a regular file of at most 1 MiB, empty, or does not begin with the board
// tag line. A name that is not plain (empty, with '/' or '\\', or beginning with '.') names
// no board either, and says so in problem.
std::string readChosenBoard(const std::string& path, std::string* problem = nullptr);

// Reads mail settings and the alert settings of slots 0 .. count-1 from a regular file of
// at most 1 MiB. A value that does not convert, a file that ends inside a section or a line
// longer than 4 KiB (the reading ends there) is reported; such a value keeps the board's
// default. Problems name the line where there is one, never the file: the caller does.
FileReport LoadSettings(const std::string& path, int16_t count, SensorTable& table, MailSettings& mail);

// A program that writes settings keeps a file that did not read whole before its next save
// overwrites it: a copy beside it named by its content, made once however often the same
// bytes are read. Where the copy is; empty when there is nothing to keep (no file, an empty
// one) or none could be made.
std::string keepDamagedCopy(const std::string& path);

// Writes the whole file through a temporary file renamed over the old one: an existing file
// keeps its mode and group, a new one is 0644; temporaries an interrupted save left go
// first. False, with a reason in error, when it could not be written; the old file is then
// untouched.
bool SaveSettings(const std::string& path, const std::string& boardName, const MailSettings& mail,
                  const SensorTable& table, std::string& error);

// The settings file's form of a number: a blank before a number that is not negative, one
// blank after every number.
std::string settingsNumber(double value);

}  // namespace qorv
