#include "app/SingleInstance.h"
#include "core/RulesStore.h"

#include "KelvaroProcess.h"
#include "TestFiles.h"
#include "TestRegistry.h"
#include "XTestClient.h"
#include "XvfbServer.h"

#include <QLocalSocket>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

namespace {

QProcessEnvironment environmentWith(const QString& name, const std::optional<QString>& value)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    if (value)
        environment.insert(name, *value);
    else
        environment.remove(name);
    return environment;
}

XTestClient::WindowProperties window(const QString& className, quint32 pid, const std::optional<QString>& gtkId = {})
{
    XTestClient::WindowProperties properties = XTestClient::WindowProperties::ofClass(className, pid);
    properties.gtkApplicationId = gtkId;
    return properties;
}

} // namespace

// The program as it is installed: started as a process on the test's X
// server, with the test's home.
class ProgramTest : public QObject {
    Q_OBJECT

    std::unique_ptr<XTestClient> m_client;

    // The windows on screen that carry the settings window's role.
    qsizetype settingsWindows()
    {
        const QList<xcb_window_t> windows = m_client->viewableTopLevelWindows();
        return std::count_if(windows.cbegin(), windows.cend(), [this](xcb_window_t window) {
            return m_client->byteProperty(window, "WM_WINDOW_ROLE") == QByteArray("settings");
        });
    }

private slots:
    void initTestCase()
    {
        m_client = std::make_unique<XTestClient>(TestEnvironment::current().xServer()->displayName());
        QVERIFY(m_client->isConnected());
        QSettings settings(QStringLiteral("Kelvaro"), QStringLiteral("Kelvaro"));
        settings.setValue("defaultInputSourceID", "xkb:us::eng");
        settings.setValue("indicatorEnabled", false);
        settings.setValue("soundEnabled", false);
    }

    void switchesForTheApplicationInFront()
    {
        QString error;
        QVERIFY2(RulesStore(RulesStore::defaultPath())
                     .save({AppRule::create("org.example.Editor", "Editor", "xkb:de::deu"),
                            AppRule::create("libreoffice-writer", "Writer", "xkb:ru::rus"),
                            AppRule::create("libreoffice-calc", "Calc", "xkb:de::deu")},
                           &error),
                 qPrintable(error));
        const xcb_window_t editor = m_client->createWindow(window("Example-editor", 501, "org.example.Editor"));
        // Writer and Calc: windows of one process.
        const xcb_window_t writer = m_client->createWindow(window("libreoffice-writer", 700));
        const xcb_window_t calc = m_client->createWindow(window("libreoffice-calc", 700));
        const xcb_window_t other = m_client->createWindow(window("Other", 503));
        QVERIFY(m_client->lockGroup(0));
        m_client->setActiveWindow(editor);

        KelvaroProcess kelvaro(KelvaroProcess::besideThisProgram());
        QVERIFY(kelvaro.start());
        // The application in front at start first.
        QTRY_COMPARE_WITH_TIMEOUT(m_client->lockedGroup(), std::optional(1), 10000);
        for (const auto& [window, group] : {std::pair(writer, 2), std::pair(calc, 1), std::pair(writer, 2),
                                            std::pair(other, 0), std::pair(editor, 1)}) {
            m_client->setActiveWindow(window);
            QTRY_COMPARE(m_client->lockedGroup(), std::optional(group));
        }
    }

    void runsOncePerSessionAndBringsItsSettingsForward()
    {
        QTemporaryDir runtime(QDir(TestEnvironment::current().root()).filePath("run-XXXXXX"));
        QFile::setPermissions(runtime.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        const QProcessEnvironment environment = environmentWith("XDG_RUNTIME_DIR", runtime.path());
        const SingleInstance guard(runtime.path());
        const auto answers = [&] {
            QLocalSocket socket;
            socket.connectToServer(guard.socketPath());
            return socket.waitForConnected(100);
        };
        for (int crashes = 0; crashes < 2; ++crashes) {
            // A crash leaves the lock and the socket behind: the next start takes over.
            KelvaroProcess running(KelvaroProcess::besideThisProgram(), environment);
            QVERIFY(running.start());
            QVERIFY(QTest::qWaitFor(answers, 15000));
            for (const QByteArray& junk : {QByteArray("open everything\n"), QByteArray(200, 'a')}) {
                QLocalSocket socket;
                socket.connectToServer(guard.socketPath());
                QVERIFY(socket.waitForConnected(1000) && socket.write(junk) && socket.waitForBytesWritten(1000));
                QTRY_COMPARE(socket.state(), QLocalSocket::UnconnectedState);
            }
            QCOMPARE(settingsWindows(), 0);
            for (int start = 0; start < 2; ++start) {
                KelvaroProcess later(KelvaroProcess::besideThisProgram(), environment);
                QVERIFY(later.start());
                QCOMPARE(later.exitCode(15000), std::optional(0));
                QTRY_COMPARE(settingsWindows(), 1);   // one window, brought forward again
            }
            QVERIFY(running.isRunning());
            running.crash();
            QTRY_COMPARE(settingsWindows(), 0);
        }
        // Nothing of a run's windows is restored at the next.
        QCOMPARE(QSettings(QStringLiteral("Kelvaro"), QStringLiteral("Kelvaro")).value("NSQuitAlwaysKeepsWindows"),
                 QVariant("false"));
    }

    void endsWithOneLineAndStatusOneWithoutItsDisplay()
    {
        KelvaroProcess noDisplay(KelvaroProcess::besideThisProgram(), environmentWith("DISPLAY", std::nullopt),
                                 KelvaroProcess::Errors::Keep);
        QVERIFY(noDisplay.start());
        QCOMPARE(noDisplay.exitCode(10000), std::optional(1));
        QVERIFY(noDisplay.errorOutput().contains("Kelvaro needs an X11 session: DISPLAY is not set"));

        XvfbServer server;
        QString error;
        QVERIFY2(server.start({"us", "de"}, {}, &error), qPrintable(error));
        KelvaroProcess displayLost(KelvaroProcess::besideThisProgram(),
                                   environmentWith("DISPLAY", server.displayName()), KelvaroProcess::Errors::Keep);
        QVERIFY(displayLost.start());
        QTRY_VERIFY_WITH_TIMEOUT(displayLost.errorOutput().contains("Loaded 2 input sources"), 10000);
        server.stop();
        QCOMPARE(displayLost.exitCode(20000), std::optional(1));
    }
};

KELVARO_TEST(ProgramTest)
#include "ProgramTest.moc"
