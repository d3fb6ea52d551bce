#include "FakeNotificationServer.h"

namespace {
const QString kConnectionName = QStringLiteral("kelvaro-fake-notification-server");
}

FakeNotificationServer::FakeNotificationServer()
    : m_connection(QDBusConnection::connectToBus(QDBusConnection::SessionBus, kConnectionName))
{
}

FakeNotificationServer::~FakeNotificationServer()
{
    m_connection.unregisterObject(QStringLiteral("/org/freedesktop/Notifications"));
    m_connection.unregisterService(QStringLiteral("org.freedesktop.Notifications"));
    QDBusConnection::disconnectFromBus(kConnectionName);
}

bool FakeNotificationServer::start()
{
    return m_connection.isConnected()
        && m_connection.registerObject(QStringLiteral("/org/freedesktop/Notifications"), this,
                                       QDBusConnection::ExportAllSlots)
        && m_connection.registerService(QStringLiteral("org.freedesktop.Notifications"));
}

quint32 FakeNotificationServer::Notify(const QString& appName, quint32 replacesId, const QString&,
                                       const QString& summary, const QString& body, const QStringList&,
                                       const QVariantMap& hints, qint32 expireTimeout)
{
    received.append({appName, replacesId, summary, body, hints, expireTimeout});
    if (!failWith.isEmpty()) {
        sendErrorReply(QDBusError::Failed, failWith);
        return 0;
    }
    return m_nextId++;
}
