#pragma once

#include <QDBusConnection>
#include <QDBusContext>
#include <QList>
#include <QObject>
#include <QStringList>
#include <QVariantMap>

// A desktop notification service (org.freedesktop.Notifications) on its own
// connection to the session bus; keeps every Notify call. Only Notify is
// served: it is all the program calls.
class FakeNotificationServer : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    struct Notification {
        quint32 replacesId = 0;
        QString summary;
        QString body;
        QVariantMap hints;
        qint32 expireTimeout = 0;
    };

    // The bus drops the service name with the connection.
    ~FakeNotificationServer() override { QDBusConnection::disconnectFromBus(kConnectionName); }

    // Registers the service name; false when the bus refuses.
    bool start();

    QList<Notification> received;
    // When set, Notify answers with this D-Bus error message.
    QString failWith;

public slots:
    quint32 Notify(const QString& appName, quint32 replacesId, const QString& appIcon, const QString& summary,
                   const QString& body, const QStringList& actions, const QVariantMap& hints, qint32 expireTimeout);

private:
    static inline const QString kConnectionName = QStringLiteral("kelvaro-fake-notification-server");
    QDBusConnection m_connection = QDBusConnection::connectToBus(QDBusConnection::SessionBus, kConnectionName);
};
