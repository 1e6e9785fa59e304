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
// is missing, empty, or does not begin with the board tag line.
std::string readChosenBoard(const std::string& path);

// Reads mail settings and the alert settings of slots 0 .. count-1. A value that does
// not convert, or a file that ends inside a section, is reported; such a value keeps the
// board's default, and the file is copied aside (keptCopy) so the next save does not
// destroy it. Problems name the line where there is one, never the file: the caller does.
FileReport LoadSettings(const std::string& path, int16_t count, SensorTable& table, MailSettings& mail);

// Writes the whole file (mode 0644) through a temporary file renamed over the old one. False, with a
// reason in error, when it could not be written; the old file is then untouched.
bool SaveSettings(const std::string& path, const std::string& boardName, const MailSettings& mail,
                  const SensorTable& table, std::string& error);

// The settings file's form of a number: a blank before a number that is not negative, one
// blank after every number.
std::string settingsNumber(double value);

}  // namespace qorv
