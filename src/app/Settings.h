#pragma once

#include <QString>

// The small settings file: at most ten "KEY = VALUE" lines in the settings folder.
//
// The folder is the one named by the WinDir environment variable when it is set,
// otherwise the per-user configuration folder + "/Corvane", created on the first write.

// Full path of the settings file.
QString SettingsFilePath();

// The value stored for key, or "" when the file or the key is missing. When the file exists
// but cannot be read, "" is returned and *error (if given) receives a message to show.
QString ReadSetting(const QString& key, QString* error = nullptr);

// Stores key = value as the first line, keeping at most nine earlier lines of other keys.
// The file is replaced as a whole only once the new content is written, so a failed write
// leaves the old file intact. Returns false and fills *error (if given) on failure.
bool WriteSetting(const QString& key, const QString& value, QString* error = nullptr);

// Splits one settings line into key and value by the file's rules.
void SplitSettingLine(const QString& line, QString& key, QString& value);
