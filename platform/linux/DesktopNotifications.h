#pragma once

#include "platform/UserNotifications.h"

#include <QDBusConnection>

namespace platform {

// Notifications through the freedesktop notification service
// (org.freedesktop.Notifications.Notify) on the session bus: application
// name "Kelvaro", replaces-id 0 so that every request is a new notification,
// the "suppress-sound" hint for silent ones.
class DesktopNotifications : public UserNotifications {
    Q_OBJECT
public:
    explicit DesktopNotifications(const QDBusConnection& bus, QObject* parent = nullptr);

    void add(const Request& request, Completion completion) override;

private:
    QDBusConnection m_bus;
};

} // namespace platform
