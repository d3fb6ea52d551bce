#include "platform/linux/DesktopNotifications.h"

#include "FakeNotificationServer.h"
#include "TestRegistry.h"

#include <QTest>

using platform::DesktopNotifications;
using platform::UserNotifications;

namespace {

using Outcome = std::optional<std::optional<QString>>;   // none yet, or the completion's error

UserNotifications::Request request(const QString& body, bool silent = true)
{
    return {QStringLiteral("id-") + body, QStringLiteral("Input Source Changed"), body, silent};
}

// Hands one request over and waits for its completion: the error, if any.
std::optional<QString> post(UserNotifications& notifications, const UserNotifications::Request& request)
{
    Outcome outcome;
    notifications.add(request, [&](const std::optional<QString>& error) { outcome = error; });
    if (!QTest::qWaitFor([&] { return outcome.has_value(); }, 10000))
        return QStringLiteral("<no completion>");
    return *outcome;
}

} // namespace

class DesktopNotificationsTest : public QObject {
    Q_OBJECT

private slots:
    void notifiesEachSwitchAnewAndReportsARefusal()
    {
        FakeNotificationServer server;
        QVERIFY(server.start());
        DesktopNotifications notifications(QDBusConnection::sessionBus());
        QCOMPARE(post(notifications, request(QStringLiteral("German"))), std::nullopt);
        QCOMPARE(post(notifications, request(QStringLiteral("Russian"), false)), std::nullopt);

        QCOMPARE(server.received.size(), 2);
        for (const auto& notification : server.received) {
            QCOMPARE(notification.replacesId, 0u);   // never replaces the one before
            QCOMPARE(notification.summary, QStringLiteral("Input Source Changed"));
            QCOMPARE(notification.expireTimeout, -1);   // the server's own, not "never"
        }
        QCOMPARE(server.received[0].body, QStringLiteral("German"));
        QCOMPARE(server.received[0].hints.value(QStringLiteral("suppress-sound")), QVariant(true));
        QVERIFY(!server.received[1].hints.contains(QStringLiteral("suppress-sound")));

        server.failWith = QStringLiteral("notifications are switched off");
        QCOMPARE(post(notifications, request(QStringLiteral("y"))), server.failWith);
    }

    void withoutAServerOrABusTheSwitchHearsAnError()
    {
        DesktopNotifications noServer(QDBusConnection::sessionBus());
        const auto nobodyListens = post(noServer, request(QStringLiteral("x")));
        QVERIFY(nobodyListens && !nobodyListens->isEmpty());

        const QDBusConnection nowhere =
            QDBusConnection::connectToBus(QStringLiteral("unix:path=/nonexistent/bus"), QStringLiteral("nowhere"));
        DesktopNotifications notifications(nowhere);
        Outcome outcome;
        notifications.add(request(QStringLiteral("z")), [&](const std::optional<QString>& error) { outcome = error; });
        // The switch that asked goes on first: no answer from within add().
        QVERIFY(!outcome);
        QTRY_VERIFY(outcome);
        QVERIFY(*outcome && !(*outcome)->isEmpty());
    }
};

KELVARO_TEST(DesktopNotificationsTest)
#include "DesktopNotificationsTest.moc"
