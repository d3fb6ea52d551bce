#include "platform/linux/DesktopNotifications.h"

#include "logging/ApplicationIdentity.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QVariantMap>

namespace platform {

namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kInterface = QStringLiteral("org.freedesktop.Notifications");

} // namespace

DesktopNotifications::DesktopNotifications(const QDBusConnection& bus, QObject* parent)
    : UserNotifications(parent)
    , m_bus(bus)
{
}

void DesktopNotifications::add(const Request& request, Completion completion)
{
    if (!m_bus.isConnected()) {
        const QString reason = m_bus.lastError().isValid() ? m_bus.lastError().message()
                                                           : QStringLiteral("no D-Bus session bus");
        QMetaObject::invokeMethod(
            this, [completion, reason] { completion(reason); }, Qt::QueuedConnection);
        return;
    }

    QVariantMap hints{{QStringLiteral("desktop-entry"), QString::fromLatin1(ApplicationIdentity::kDesktopFileName)}};
    if (request.silent)
        hints.insert(QStringLiteral("suppress-sound"), true);
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("Notify"));
    call << QStringLiteral("Kelvaro")          // app_name
         << quint32(0)                         // replaces_id: always a new notification
         << QStringLiteral("input-keyboard")   // app_icon
         << request.title << request.body
         << QStringList()                      // actions
         << hints
         << qint32(-1);                        // expire_timeout: the server's default

    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [completion](QDBusPendingCallWatcher* finished) {
        finished->deleteLater();
        const QDBusPendingReply<quint32> reply = *finished;
        if (reply.isError())
            completion(reply.error().message().isEmpty() ? reply.error().name() : reply.error().message());
        else
            completion(std::nullopt);
    });
}

} // namespace platform
