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

quint32 FakeNotificationServer::Notify(const QString& appName, quint32 replacesId, const QString& appIcon,
                                       const QString& summary, const QString& body, const QStringList& actions,
                                       const QVariantMap& hints, qint32 expireTimeout)
{
    received.append({appName, replacesId, appIcon, summary, body, actions, hints, expireTimeout});
    if (!failWith.isEmpty()) {
        sendErrorReply(QDBusError::Failed, failWith);
        return 0;
    }
    return m_nextId++;
}

QStringList FakeNotificationServer::GetCapabilities()
{
    return {QStringLiteral("body")};
}

QString FakeNotificationServer::GetServerInformation(QString& vendor, QString& version, QString& specVersion)
{
    vendor = QStringLiteral("Kelvaro tests");
    version = QStringLiteral("1");
    specVersion = QStringLiteral("1.2");
    return QStringLiteral("fake");
}
