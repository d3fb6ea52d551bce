#pragma once

#include <QObject>
#include <QString>
#include <QVariant>

#include <optional>

class QSettings;

// The user's settings store: QSettings for organization "Kelvaro", application
// "Kelvaro" (~/.config/Kelvaro/Kelvaro.conf), in Qt's INI format written
// through IniSettingsFormat. When another program changes
// the file (the user edits it by hand), the store is read again and each key
// whose value changed is announced through notifier(). Main thread only.
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

// Tells views that show a setting when it was written or removed through
// setValue() / remove() below, or changed in the file, so that they
// re-render at once.
class Notifier : public QObject {
    Q_OBJECT
signals:
    void changed(const QString& key);
};
Notifier& notifier();

void setValue(QSettings& settings, const QString& key, const QVariant& value);
void remove(QSettings& settings, const QString& key);

} // namespace UserDefaults
