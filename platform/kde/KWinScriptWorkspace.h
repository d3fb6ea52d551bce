#pragma once

#include "platform/Workspace.h"
#include "platform/linux/DesktopEntryWorkspace.h"

#include <QDBusConnection>
#include <QDBusVirtualObject>

#include <memory>

class QDBusServiceWatcher;

namespace platform {

class KWinScript;

// The workspace of KWin on Wayland, where no client can see other clients'
// windows: a script loaded into KWin (resources/kelvaro-kwin.js) calls back
// over the session bus each time a window is activated (Activated) and
// each time windows come or go (Windows), with each window's desktop file
// name, resource class and pid as JSON. The calls reach callbackPath on
// the connection that owns callbackService, the program's own bus name; the
// script is loaded once this connection owns it.
// The script is unloaded when this object goes or the application quits.
// When KWin leaves the bus there is no application in front and one error
// line says so; a KWin that comes to the bus later (started after Kelvaro,
// or restarted) is given the script.
class KWinScriptWorkspace : public DesktopEntryWorkspace {
    Q_OBJECT
public:
    static inline const QString callbackService = QStringLiteral("com.kelvaro.Kelvaro");
    static inline const QString callbackPath = QStringLiteral("/com/kelvaro/Kelvaro/KWin");
    static inline const QString callbackInterface = QStringLiteral("com.kelvaro.Kelvaro.KWin");

    KWinScriptWorkspace(const QDBusConnection& bus, const QString& scriptPath, QObject* parent = nullptr);
    ~KWinScriptWorkspace() override;

    std::optional<RunningApplication> frontmostApplication() override;
    QList<RunningApplication> runningApplications() override;

private:
    class Callback;

    bool handleCallback(const QDBusMessage& message);
    std::optional<RunningApplication> applicationOf(const QJsonValue& window) const;
    void kwinOwnerChanged(const QString& newOwner);
    void loadScript();

    QDBusConnection m_bus;
    std::unique_ptr<Callback> m_callback;
    QString m_scriptPath;
    std::unique_ptr<KWinScript> m_script;
    QDBusServiceWatcher* m_watcher = nullptr;
    QString m_kwinOwner;
    std::optional<RunningApplication> m_frontmost;
    QList<RunningApplication> m_running;
};

} // namespace platform
