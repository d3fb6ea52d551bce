#pragma once

#include <QString>

#include <optional>

class QSettings;

// The user's settings store: QSettings for organization "Kelvaro", application
// "Kelvaro" (~/.config/Kelvaro/Kelvaro.conf). Main thread only.
//
// The typed reads follow the store's conventions: a value that is absent, or
// that cannot be read as the wanted type (the file is hand-editable), reads
// as absent.
namespace UserDefaults {

QSettings& standard();

// true/false, yes/no, 1/0 and numbers (non-zero is true).
std::optional<bool> boolValue(const QSettings& settings, const QString& key);
bool boolValue(const QSettings& settings, const QString& key, bool fallback);
std::optional<double> doubleValue(const QSettings& settings, const QString& key);
std::optional<QString> stringValue(const QSettings& settings, const QString& key);

} // namespace UserDefaults
