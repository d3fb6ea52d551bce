#include "platform/linux/EwmhWorkspace.h"

#include "DesktopEntryFiles.h"
#include "OpenConnection.h"
#include "TestRegistry.h"
#include "XTestClient.h"

#include <QScopeGuard>
#include <QTest>

#include <sys/stat.h>

using Properties = XTestClient::WindowProperties;

namespace {

bool makeFifo(const QString& path)
{
    return ::mkfifo(QFile::encodeName(path).constData(), 0600) == 0;
}

} // namespace

// Files in the applications folders that are not plain entries: a FIFO, links,
// an entry far longer than any real one, entries in a subfolder or hidden by
// the user's own copy. A lookup that blocks on one of them ends in the test's
// time-out.
class DesktopEntryFilesTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<XTestClient> m_client;
    std::unique_ptr<platform::XConnection> m_connection;
    std::unique_ptr<platform::EwmhWorkspace> m_workspace;

    QString bundleOfWindow(const QString& instance, const QString& className)
    {
        Properties properties = Properties::ofClass(className, 4800);
        properties.wmClassInstance = instance;
        const xcb_window_t window = m_client->createWindow(properties);
        return m_workspace->applicationForWindow(window)->bundleIdentifier.value_or("-");
    }

private slots:
    void initTestCase()
    {
        const TestEnvironment& environment = TestEnvironment::current();
        const QString applications = environment.dataDir() + "/applications/";
        const QString elsewhere = environment.root() + "/elsewhere/";
        QVERIFY(writeFile(elsewhere + "linked.desktop", kApplicationEntry + "StartupWMClass=LinkedWindow\n"));
        QVERIFY(makeFifo(elsewhere + "fifo"));
        QVERIFY(writeDesktopEntry("vendor/tool.desktop", kApplicationEntry + "StartupWMClass=ToolWindow\n"));
        QVERIFY(makeFifo(applications + "org.example.Fifo.desktop"));
        QVERIFY(QFile::link(elsewhere + "fifo", applications + "org.example.FifoLink.desktop"));
        QVERIFY(QFile::link(elsewhere + "linked.desktop", applications + "org.example.Linked.desktop"));
        QVERIFY(writeDesktopEntry("org.example.Masked.desktop", kApplicationEntry + "StartupWMClass=MaskedWindow\n"));
        QVERIFY(writeFile(environment.dataHome() + "/applications/org.example.Masked.desktop",
                          kApplicationEntry + "Hidden=true\n"));
        QVERIFY(writeDesktopEntry("org.example.Rewritten.desktop", kApplicationEntry + "StartupWMClass=OldWindow\n"));
        // Sparse: 200 MB long, hardly any of it on disk.
        QFile huge(applications + "org.example.Huge.desktop");
        QVERIFY(huge.open(QIODevice::WriteOnly));
        QVERIFY(huge.write(kApplicationEntry + "StartupWMClass=HugeWindow\n") > 0);
        QVERIFY(huge.resize(200 * 1024 * 1024));
        huge.close();

        m_client = std::make_unique<XTestClient>();
        QVERIFY(m_client->isConnected());
        m_connection = openConnection();
        QVERIFY(m_connection);
        m_workspace = std::make_unique<platform::EwmhWorkspace>(*m_connection);
    }

    void cleanupTestCase()
    {
        m_workspace.reset();
        const TestEnvironment& environment = TestEnvironment::current();
        for (const char* entry : {"vendor/tool", "org.example.Fifo", "org.example.FifoLink", "org.example.Linked",
                                  "org.example.Masked", "org.example.Rewritten", "org.example.Huge"})
            QFile::remove(environment.dataDir() + "/applications/" + entry + ".desktop");
        QFile::remove(environment.dataHome() + "/applications/org.example.Masked.desktop");
    }

    void identifiesWindowsBesideUnusualFiles_data()
    {
        QTest::addColumn<QString>("instance");
        QTest::addColumn<QString>("className");
        QTest::addColumn<QString>("expected");
        QTest::newRow("FIFO") << "org.example.Fifo" << "FifoWindow" << "FifoWindow";
        QTest::newRow("link to a FIFO") << "org.example.FifoLink" << "FifoLinkWindow" << "FifoLinkWindow";
        QTest::newRow("entry over the size limit") << "org.example.Huge" << "HugeWindow" << "HugeWindow";
        QTest::newRow("link to an entry") << "linked" << "LinkedWindow" << "org.example.Linked";
        QTest::newRow("entry in a subfolder") << "tool" << "ToolWindow" << "vendor-tool";
        QTest::newRow("hidden by the user's copy") << "masked" << "MaskedWindow" << "MaskedWindow";
    }

    void identifiesWindowsBesideUnusualFiles()
    {
        QFETCH(QString, instance);
        QFETCH(QString, className);
        QFETCH(QString, expected);
        QCOMPARE(bundleOfWindow(instance, className), expected);
    }

    void readsAChosenApplicationFile_data()
    {
        QTest::addColumn<QString>("path");   // under the test's root
        QTest::addColumn<QByteArray>("contents");   // written there first, unless empty
        QTest::addColumn<QString>("expected");
        const QByteArray chosen = "[Desktop Entry]\nType=Application\nExec=/not/installed\n";
        QTest::newRow("localized name") << "chosen/pick.desktop" << chosen + "Name=Pick\nName[de]=Wahl\nIcon=pick\n" << "pick|Wahl|pick|chosen/pick.desktop";
        QTest::newRow("no name, in an applications subfolder") << "share/applications/vendor/tool.desktop" << QByteArray()
                                                               << "vendor-tool|-||share/applications/vendor/tool.desktop";
        QTest::newRow("not an application") << "chosen/link.desktop" << QByteArray("[Desktop Entry]\nType=Link\n") << "<none>";
        QTest::newRow("another group first") << "chosen/other.desktop" << "[Other]\n" + chosen << "<none>";
        QTest::newRow("broken bytes") << "chosen/broken.desktop" << QByteArray("\xff\xfe[Desktop Entry\n\0\x01=", 20) << "<none>";
        QTest::newRow("FIFO") << "share/applications/org.example.Fifo.desktop" << QByteArray() << "<none>";
        QTest::newRow("over the size limit") << "chosen/huge.desktop" << chosen + QByteArray(1024 * 1024, '#') << "<none>";
    }

    void readsAChosenApplicationFile()
    {
        QFETCH(QString, path);
        QFETCH(QByteArray, contents);
        QFETCH(QString, expected);
        const QString file = TestEnvironment::current().root() + '/' + path;
        QVERIFY(contents.isEmpty() || writeFile(file, contents));
        qputenv("LANGUAGE", "de");
        const auto restore = qScopeGuard([] { qunsetenv("LANGUAGE"); });
        QCOMPARE(describe(m_workspace->applicationAt(file)), expected);
    }

    void followsAnEntryRewrittenInPlace()
    {
        QCOMPARE(bundleOfWindow("new", "NewWindow"), QStringLiteral("NewWindow"));
        QFile entry(TestEnvironment::current().dataDir() + "/applications/org.example.Rewritten.desktop");
        QVERIFY(entry.open(QIODevice::ReadWrite));
        QVERIFY(entry.write(kApplicationEntry + "StartupWMClass=NewWindow\n") > 0);
        entry.close();
        QTRY_COMPARE_WITH_TIMEOUT(bundleOfWindow("new", "NewWindow"), QStringLiteral("org.example.Rewritten"), 10000);
        QCOMPARE(bundleOfWindow("old", "OldWindow"), QStringLiteral("OldWindow"));
    }
};

KELVARO_TEST(DesktopEntryFilesTest)
#include "DesktopEntryFilesTest.moc"
