#include "settings_ui/UpdateManager.h"

#include "LogCapture.h"
#include "TestRegistry.h"
#include "settings_ui/UpdateChecker.h"
#include "settings_ui/UpdateDialog.h"

#include <QDesktopServices>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

namespace {

// Answers every request with one canned HTTP response: status line and body.
struct FeedServer : QTcpServer {
    QByteArray response;
    int requests = 0;

    FeedServer(const QByteArray& status, const QByteArray& body)
        : response("HTTP/1.1 " + status + "\r\nContent-Length: " + QByteArray::number(body.size()) + "\r\n\r\n" + body)
    {
        listen(QHostAddress::LocalHost);
        connect(this, &QTcpServer::newConnection, this, [this] {
            QTcpSocket* socket = nextPendingConnection();
            connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
                if (!socket->readAll().contains("\r\n\r\n"))
                    return;
                ++requests;
                socket->write(response);
                socket->disconnectFromHost();
            });
        });
    }
};

QByteArray appcast(const QByteArray& items)
{
    return R"(<rss xmlns:sparkle="http://www.andymatuschak.org/xml-namespaces/sparkle"><channel>)" + items + "</channel></rss>";
}

} // namespace

// Update checks against a feed served by the test.
class UpdateTest : public QObject {
    Q_OBJECT

    QList<QUrl> m_opened;

public slots:
    void open(const QUrl& url) { m_opened << url; }

private slots:
    void initTestCase() { QDesktopServices::setUrlHandler("https", this, "open"); }
    void cleanupTestCase() { QDesktopServices::unsetUrlHandler("https"); }

    void checksTheFeed_data()
    {
        QTest::addColumn<QByteArray>("status");   // empty: nobody listens
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QStringList>("infos");
        QTest::addColumn<QString>("reason");      // in the error line and the dialog
        QTest::addColumn<QUrl>("page");
        const QString failed = "Update check failed";
        QTest::newRow("no update") << QByteArray("200 OK")
            << appcast("<item><sparkle:version>0.9</sparkle:version></item><item><enclosure sparkle:version=\"1.0\"/></item>")
            << "You're up to date!" << QStringList{"Sparkle: Loaded appcast with 2 items", "Sparkle: No updates available"} << "" << QUrl();
        QTest::newRow("update 2.0") << QByteArray("200 OK")
            << appcast("<item><sparkle:version>1.10</sparkle:version></item><item><title>New</title>"
                       "<link>https://kelvaro.app/download</link><enclosure url=\"https://kelvaro.app/k.tar\" "
                       "sparkle:version=\"200\" sparkle:shortVersionString=\"2.0\"/></item><item><title>No version</title></item>"
                       "<item><sparkle:shortVersionString>1.9.9</sparkle:shortVersionString></item>")
            << "Update available: 2.0" << QStringList{"Sparkle: Loaded appcast with 3 items", "Sparkle: Found update - 2.0"}
            << "" << QUrl("https://kelvaro.app/download");
        QTest::newRow("update without a web page") << QByteArray("200 OK")
            << appcast("<item><link>javascript:alert(1)</link><enclosure url=\"file:///etc/passwd\" sparkle:version=\"3\"/></item>")
            << "Update available: 3" << QStringList{"Sparkle: Loaded appcast with 1 items", "Sparkle: Found update - 3"} << "" << QUrl();
        QTest::newRow("404") << QByteArray("404 Not Found") << QByteArray("gone") << failed << QStringList() << "Not Found" << QUrl();
        QTest::newRow("connection refused") << QByteArray() << QByteArray() << failed << QStringList() << "refused" << QUrl();
        QTest::newRow("cut off") << QByteArray("200 OK") << appcast("").left(80) << failed << QStringList() << "not valid XML" << QUrl();
        QTest::newRow("entity expansion") << QByteArray("200 OK") << QByteArray("<!DOCTYPE rss [<!ENTITY a \"&#38;a;&#38;a;\">]><rss>&a;</rss>")
            << failed << QStringList() << "document type declaration" << QUrl();
        QTest::newRow("2 MiB") << QByteArray("200 OK") << appcast(QByteArray(2 << 20, ' ')) << failed << QStringList()
                               << "larger than 1 MiB" << QUrl();
    }
    void checksTheFeed()
    {
        QFETCH(QByteArray, status); QFETCH(QByteArray, body); QFETCH(QString, message);
        QFETCH(QStringList, infos); QFETCH(QString, reason); QFETCH(QUrl, page);
        FeedServer server(status, body);
        const QUrl feed(QString("http://127.0.0.1:%1/appcast.xml").arg(server.serverPort()));
        if (status.isEmpty())
            server.close();
        UpdateManager manager(feed, "1.0");
        QSignalSpy messages(&manager, &UpdateManager::lastCheckMessageChanged);
        LogCapture log;
        // A press while the check runs starts no second one.
        manager.checkForUpdates();
        manager.checkForUpdates();
        QVERIFY(manager.isCheckingForUpdates());
        QVERIFY(messages.wait(10000));
        QTest::qWait(50);
        QVERIFY(!manager.isCheckingForUpdates() && messages.size() == 1);
        QCOMPARE(server.requests, status.isEmpty() ? 0 : 1);
        QCOMPARE(manager.lastCheckMessage(), message);
        QCOMPARE(log.infos(), infos);
        const UpdateDialog* dialog = manager.updaterController()->dialog();
        QVERIFY(dialog->isVisible() && dialog->titleLabel()->text() == message);
        QCOMPARE(log.errors().size(), reason.isEmpty() ? 0 : 1);
        if (!reason.isEmpty())
            QVERIFY(log.errors()[0].startsWith("Sparkle error: ") && log.errors()[0].contains(reason)
                    && dialog->detailLabel()->text().contains(reason));
        QCOMPARE(dialog->downloadButton()->isVisible(), !page.isEmpty());
        m_opened.clear();
        if (!page.isEmpty())
            dialog->downloadButton()->click();
        QCOMPARE(m_opened, page.isEmpty() ? QList<QUrl>() : QList<QUrl>{page});
    }
};

KELVARO_TEST(UpdateTest)

#include "UpdateTest.moc"
