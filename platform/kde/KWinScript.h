#pragma once

#include <QDBusConnection>
#include <QString>

namespace platform {

// A script loaded into KWin through org.kde.KWin /Scripting and run, for as
// long as this object lives. A script of the same plugin name left by an
// earlier run is unloaded first.
class KWinScript {
public:
    KWinScript(const QDBusConnection& bus, const QString& filePath, const QString& pluginName);
    ~KWinScript();
    KWinScript(const KWinScript&) = delete;
    KWinScript& operator=(const KWinScript&) = delete;

    // False, with the reason in error(), when KWin did not take the script.
    bool isLoaded() const { return m_loaded; }
    QString error() const { return m_error; }

    void unload();

private:
    QDBusConnection m_bus;
    QString m_pluginName;
    bool m_loaded = false;
    QString m_error;
};

} // namespace platform
