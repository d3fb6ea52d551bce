#pragma once

#include "platform/KeyMonitor.h"

#include <QDBusConnection>
#include <QStringList>

namespace platform {

// The pause shortcut through KDE's global shortcut service
// (org.kde.kglobalaccel), where no client may watch other clients' keys:
// the action "toggle-pause" of the component "kelvaro", Ctrl+Alt+P unless
// the user changed it in Plasma's shortcut settings. Each time it is pressed
// the monitor reports a press of P with Ctrl and Alt, the key the hotkey
// manager looks for, whatever keys the user bound.
class KGlobalAccelKeyMonitor : public KeyMonitor {
    Q_OBJECT
public:
    explicit KGlobalAccelKeyMonitor(const QDBusConnection& bus, QObject* parent = nullptr);
    ~KGlobalAccelKeyMonitor() override;

    bool start() override;
    void stop() override;
    bool isMonitoring() const override { return m_monitoring; }

private slots:
    void shortcutPressed(const QString& component, const QString& action, qlonglong timestamp);

private:
    QDBusConnection m_bus;
    QString m_componentPath;
    bool m_monitoring = false;
};

} // namespace platform
