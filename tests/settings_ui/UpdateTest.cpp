#include "settings_ui/UpdateManager.h"

#include "LogCapture.h"
#include "TestRegistry.h"
#include "settings_ui/Appcast.h"
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

// Answers every request with one canned HTTP response.
class FeedServer : public QTcpServer {
public:
    QByteArray response;
    int requests = 0;

    FeedServer()
    {
        listen(QHostAddress::LocalHost);
        connect(this, &QTcpServer::newConnection, this, [this] {
            QTcpSocket* socket = nextPendingConnection();
            connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
                if (socket->readAll().contains("\r\n\r\n")) {
                    ++requests;
                    socket->write(response);
                    socket->disconnectFromHost();
                }
            });
        });
    }
    QUrl url() const { return QUrl(QString("http://127.0.0.1:%1/appcast.xml").arg(serverPort())); }
    void serve(const QByteArray& status, const QByteArray& body)
    {
        response = "HTTP/1.1 " + status + "\r\nContent-Type: application/xml\r\nContent-Length: "
                 + QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
    }
};

QByteArray appcast(const QByteArray& items)
{
    return R"(<?xml version="1.0"?><rss version="2.0" xmlns:sparkle="http://www.andymatuschak.org/xml-namespaces/sparkle"><channel>)"
         + items + "</channel></rss>";
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
            << "You're up to date!" << QStringList{"Sparkle: Loaded appcast with 2 items", "Sparkle: No updates available"}
            << "" << QUrl();
        QTest::newRow("update 2.0") << QByteArray("200 OK")
            << appcast("<item><sparkle:version>1.10</sparkle:version></item><item><title>New</title>"
                       "<link>https://kelvaro.app/download</link><enclosure url=\"https://kelvaro.app/k.tar\" "
                       "sparkle:version=\"200\" sparkle:shortVersionString=\"2.0\"/></item><item><title>No version</title></item>"
                       "<item><sparkle:shortVersionString>1.9.9</sparkle:shortVersionString></item>")
            << "Update available: 2.0" << QStringList{"Sparkle: Loaded appcast with 3 items", "Sparkle: Found update - 2.0"}
            << "" << QUrl("https://kelvaro.app/download");
        QTest::newRow("update without a web page") << QByteArray("200 OK")
            << appcast("<item><link>javascript:alert(1)</link><enclosure url=\"file:///etc/passwd\" sparkle:version=\"3\"/></item>")
            << "Update available: 3" << QStringList{"Sparkle: Loaded appcast with 1 items", "Sparkle: Found update - 3"}
            << "" << QUrl();
        QTest::newRow("404") << QByteArray("404 Not Found") << QByteArray("gone") << failed << QStringList() << "Not Found" << QUrl();
        QTest::newRow("connection refused") << QByteArray() << QByteArray() << failed << QStringList() << "refused" << QUrl();
        QTest::newRow("not a feed") << QByteArray("200 OK") << QByteArray("<html></html>") << failed << QStringList()
                                    << "not an RSS feed" << QUrl();
        QTest::newRow("broken XML") << QByteArray("200 OK") << appcast("<item>").left(120) << failed << QStringList()
                                    << "not valid XML" << QUrl();
        QTest::newRow("entity expansion") << QByteArray("200 OK")
            << QByteArray("<!DOCTYPE rss [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;\">]><rss>&b;</rss>")
            << failed << QStringList() << "document type declaration" << QUrl();
        QTest::newRow("2 MiB") << QByteArray("200 OK") << appcast(QByteArray(2 << 20, ' ')) << failed << QStringList()
                               << "larger than 1 MiB" << QUrl();
    }
    void checksTheFeed()
    {
        QFETCH(QByteArray, status);
        QFETCH(QByteArray, body);
        QFETCH(QString, message);
        QFETCH(QStringList, infos);
        QFETCH(QString, reason);
        QFETCH(QUrl, page);
        FeedServer server;
        server.serve(status, body);
        const QUrl feed = server.url();
        if (status.isEmpty())
            server.close();
        UpdateManager manager(feed, "1.0");
        QSignalSpy messages(&manager, &UpdateManager::lastCheckMessageChanged);
        LogCapture log;
        manager.checkForUpdates();
        QVERIFY(manager.isCheckingForUpdates());
        QVERIFY(messages.wait(10000));
        QVERIFY(!manager.isCheckingForUpdates());
        QCOMPARE(manager.lastCheckMessage(), message);
        QCOMPARE(log.infos(), infos);
        const UpdateDialog* dialog = manager.updaterController()->dialog();
        QVERIFY(dialog->isVisible() && !dialog->isModal());
        QCOMPARE(dialog->titleLabel()->text(), message);
        QCOMPARE(log.errors().size(), reason.isEmpty() ? 0 : 1);
        if (!reason.isEmpty()) {
            QVERIFY2(log.errors()[0].startsWith("Sparkle error: ") && log.errors()[0].contains(reason),
                     qPrintable(log.errors()[0]));
            QVERIFY(dialog->detailLabel()->text().contains(reason));
        }
        QCOMPARE(dialog->downloadButton()->isVisible(), !page.isEmpty());
        m_opened.clear();
        if (!page.isEmpty())
            dialog->downloadButton()->click();
        QCOMPARE(m_opened, page.isEmpty() ? QList<QUrl>() : QList<QUrl>{page});
    }

    // A second press reuses the checker; one made while a check runs starts none.
    void checksOnceAtATime()
    {
        FeedServer server;
        server.serve("200 OK", appcast(""));
        UpdateManager manager(server.url(), "1.0");
        UpdateChecker* const checker = manager.updaterController();
        QSignalSpy messages(&manager, &UpdateManager::lastCheckMessageChanged);
        manager.checkForUpdates();
        manager.checkForUpdates();
        QVERIFY(messages.wait(10000));
        QTest::qWait(100);
        QCOMPARE(server.requests, 1);
        manager.checkForUpdates();
        QVERIFY(messages.wait(10000));
        QCOMPARE(server.requests, 2);
        QCOMPARE(messages.size(), 2);
        QCOMPARE(manager.updaterController(), checker);
    }

    void comparesVersions_data()
    {
        QTest::addColumn<QString>("left");
        QTest::addColumn<QString>("right");
        QTest::addColumn<int>("order");
        QTest::newRow("by number, not text") << "1.10" << "1.9" << 1;
        QTest::newRow("missing parts are 0") << "2" << "2.0.0" << 0;
        QTest::newRow("first part decides") << "0.1.0" << "2.0" << -1;
        QTest::newRow("beyond 64 bits") << "100000000000000000000001" << "100000000000000000000000" << 1;
        QTest::newRow("leading zeros") << "1.007" << "1.7" << 0;
        QTest::newRow("suffix ignored") << "1.2b3" << "1.2" << 0;
    }
    void comparesVersions()
    {
        QFETCH(QString, left);
        QFETCH(QString, right);
        QFETCH(int, order);
        QCOMPARE(compareVersions(left, right), order);
        QCOMPARE(compareVersions(right, left), -order);
    }
};

KELVARO_TEST(UpdateTest)

#include "UpdateTest.moc"
