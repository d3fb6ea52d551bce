#pragma once

#include <QByteArray>
#include <QSettings>
#include <QVariant>

// The settings file's format: the INI files Qt reads and writes, read by Qt's
// own parser and written here. Qt's writer hands its text to a buffered
// QSaveFile whose failed flush does not stop the rename, so a full disk turned
// the file into an empty one; this writer makes sure every byte reached the
// disk first, and otherwise logs why and keeps the old file (QSettings then
// keeps the change in memory and tries again at its next sync).
namespace IniSettingsFormat {

// Registered at the first call; files end in ".conf", as Qt's own INI files.
QSettings::Format format();

// A value as the file holds it: the same text for values that read back
// alike ("false" read from the file and false written by the program).
QByteArray valueText(const QVariant& value);

} // namespace IniSettingsFormat
