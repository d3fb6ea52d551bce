#pragma once

#include <QObject>
#include <QString>

#include <optional>

namespace platform {
class LoginItems;
}

// Whether Kelvaro starts when the user logs in. The registration itself is
// the desktop's; nothing of it is stored in the settings. Writing isEnabled
// applies the value at once; a refused change is logged, its reason kept in
// lastError, and isEnabled falls back one turn of the event loop later.
// Main thread only.
class LaunchAtLoginManager : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool isEnabled READ isEnabled WRITE setEnabled NOTIFY isEnabledChanged)
    Q_PROPERTY(QString lastError READ lastErrorText NOTIFY lastErrorChanged)
public:
    static LaunchAtLoginManager& shared();

    explicit LaunchAtLoginManager(platform::LoginItems& loginItems, QObject* parent = nullptr);

    bool isEnabled() const { return m_isEnabled; }
    void setEnabled(bool enabled);
    std::optional<QString> lastError() const { return m_lastError; }
    QString lastErrorText() const { return m_lastError.value_or(QString()); }

signals:
    // Each is sent on every assignment, also when the value is unchanged.
    void isEnabledChanged(bool enabled);
    void lastErrorChanged(const QString& error);

private:
    void apply(bool enabled);
    void assignEnabled(bool enabled);
    void assignLastError(std::optional<QString> error);

    platform::LoginItems& m_loginItems;
    bool m_isEnabled = false;
    std::optional<QString> m_lastError;
};
