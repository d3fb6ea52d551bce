#include "FakeNotificationServer.h"

bool FakeNotificationServer::start()
{
    return m_connection.isConnected()
        && m_connection.registerObject(QStringLiteral("/org/freedesktop/Notifications"), this,
                                       QDBusConnection::ExportAllSlots)
        && m_connection.registerService(QStringLiteral("org.freedesktop.Notifications"));
}

quint32 FakeNotificationServer::Notify(const QString&, quint32 replacesId, const QString&, const QString& summary,
                                       const QString& body, const QStringList&, const QVariantMap& hints,
                                       qint32 expireTimeout)
{
    received.append({replacesId, summary, body, hints, expireTimeout});
    if (!failWith.isEmpty())
        sendErrorReply(QDBusError::Failed, failWith);
    return quint32(received.size());
}
