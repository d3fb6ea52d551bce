#include "platform/linux/DesktopNotifications.h"

#include "FakeNotificationServer.h"
#include "TestEnvironment.h"

#include <QTest>

using platform::DesktopNotifications;
using platform::UserNotifications;

namespace {

// Posts one request and waits for its completion; the error, if any.
std::optional<QString> post(UserNotifications& notifications, const UserNotifications::Request& request)
{
    std::optional<std::optional<QString>> outcome;
    notifications.add(request, [&](const std::optional<QString>& error) { outcome = error; });
    if (!QTest::qWaitFor([&] { return outcome.has_value(); }, 10000))
        return QStringLiteral("<no completion>");
    return *outcome;
}

UserNotifications::Request request(const QString& body)
{
    return {QStringLiteral("id-") + body, QStringLiteral("Input Source Changed"), body, true};
}

} // namespace

class DesktopNotificationsTest : public QObject {
    Q_OBJECT

private slots:
    void postsEachRequestAsANewSilentNotification()
    {
        FakeNotificationServer server;
        QVERIFY(server.start());
        DesktopNotifications notifications(QDBusConnection::sessionBus());

        QCOMPARE(post(notifications, request(QStringLiteral("German"))), std::nullopt);
        QCOMPARE(post(notifications, request(QStringLiteral("Russian"))), std::nullopt);
        UserNotifications::Request audible = request(QStringLiteral("French"));
        audible.silent = false;
        QCOMPARE(post(notifications, audible), std::nullopt);

        QCOMPARE(server.received.size(), 3);
        const auto& first = server.received.first();
        QCOMPARE(first.appName, QStringLiteral("Kelvaro"));
        QCOMPARE(first.replacesId, 0u);
        QCOMPARE(first.summary, QStringLiteral("Input Source Changed"));
        QCOMPARE(first.body, QStringLiteral("German"));
        QVERIFY(first.actions.isEmpty());
        QCOMPARE(first.hints.value(QStringLiteral("suppress-sound")).toBool(), true);
        QCOMPARE(first.expireTimeout, -1);
        QCOMPARE(server.received[1].body, QStringLiteral("Russian"));
        QVERIFY(!server.received[2].hints.contains(QStringLiteral("suppress-sound")));
    }

    void failuresAreReportedNotThrown()
    {
        DesktopNotifications notifications(QDBusConnection::sessionBus());
        // Nobody owns the notification service.
        const auto noServer = post(notifications, request(QStringLiteral("x")));
        QVERIFY(noServer);
        QVERIFY2(!noServer->isEmpty(), "the error has a description");

        FakeNotificationServer server;
        QVERIFY(server.start());
        server.failWith = QStringLiteral("notifications are switched off");
        QCOMPARE(post(notifications, request(QStringLiteral("y"))), QStringLiteral("notifications are switched off"));

        // No bus at all.
        const QDBusConnection nowhere =
            QDBusConnection::connectToBus(QStringLiteral("unix:path=/nonexistent/bus"), QStringLiteral("nowhere"));
        DesktopNotifications detached(nowhere);
        const auto noBus = post(detached, request(QStringLiteral("z")));
        QVERIFY(noBus && !noBus->isEmpty());
    }
};

KELVARO_TEST_MAIN(DesktopNotificationsTest, QCoreApplication, .sessionBus = true)
#include "tst_desktopnotifications.moc"
