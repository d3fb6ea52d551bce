#include "app/SingleInstance.h"
#include "app/WindowGroup.h"

#include "KelvaroProcess.h"
#include "TestEnvironment.h"
#include "XTestClient.h"
#include "XvfbServer.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLocalSocket>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

// The real program, started in a runtime folder of the test's choosing on the
// test's X server, with the test's home.
class KelvaroInRuntimeFolder : public KelvaroProcess {
public:
    explicit KelvaroInRuntimeFolder(const QString& runtimeFolder)
        : KelvaroProcess(besideThisProgram(), environment(runtimeFolder))
    {
    }

private:
    static QProcessEnvironment environment(const QString& runtimeFolder)
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtimeFolder);
        return environment;
    }
};

// A runtime folder as the session gives one: private to the user.
std::unique_ptr<QTemporaryDir> makeRuntimeFolder()
{
    auto folder = std::make_unique<QTemporaryDir>(QDir(TestEnvironment::current().root()).filePath("run-XXXXXX"));
    QFile::setPermissions(folder->path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    return folder;
}

} // namespace

class KelvaroAppTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<XTestClient> m_client;

    // The mapped windows that carry the settings window's identifier as their role.
    QList<xcb_window_t> settingsWindows()
    {
        QList<xcb_window_t> found;
        for (const xcb_window_t window : m_client->viewableTopLevelWindows()) {
            if (m_client->byteProperty(window, "WM_WINDOW_ROLE") == QByteArray("settings"))
                found.append(window);
        }
        return found;
    }

    // Waits until the instance answers on its socket (it may still be starting).
    static bool answers(const SingleInstance& instance)
    {
        return QTest::qWaitFor(
            [&] {
                QLocalSocket socket;
                socket.connectToServer(instance.socketPath());
                return socket.waitForConnected(100);
            },
            15000);
    }

private slots:
    void initTestCase()
    {
        m_client = std::make_unique<XTestClient>(TestEnvironment::current().xServer()->displayName());
        QVERIFY(m_client->isConnected());
    }

    void windowGroupKeepsOneWindowWhileItIsOpen()
    {
        int created = 0;
        WindowGroup group(QStringLiteral("settings"), [&created] {
            ++created;
            return new QWidget;
        });

        group.open();
        QPointer<QWidget> first = group.window();
        QVERIFY(first);
        QCOMPARE(first->objectName(), QStringLiteral("settings"));
        QCOMPARE(first->windowRole(), QStringLiteral("settings"));
        QVERIFY(QTest::qWaitForWindowActive(first));

        first->showMinimized();
        group.open();
        QCOMPARE(group.window(), first.data());
        QCOMPARE(created, 1);
        QVERIFY(!first->isMinimized());

        first->close();
        QTRY_VERIFY(!first);
        QCOMPARE(group.window(), nullptr);
        group.open();
        QVERIFY(group.window());
        QCOMPARE(created, 2);
    }

    void strangeRequestsAreDropped()
    {
        const auto folder = makeRuntimeFolder();
        SingleInstance first(folder->path());
        QCOMPARE(first.claim(), SingleInstance::Role::Primary);
        QVERIFY(first.listen());
        QSignalSpy activations(&first, &SingleInstance::activationRequested);
        QCOMPARE(SingleInstance(folder->path()).claim(), SingleInstance::Role::Secondary);

        for (const QByteArray& request : {QByteArray("open everything\n"), QByteArray(200, 'a')}) {
            QLocalSocket socket;
            socket.connectToServer(first.socketPath());
            QVERIFY(socket.waitForConnected(1000));
            socket.write(request);
            QVERIFY(socket.waitForBytesWritten(1000));
            QTRY_COMPARE(socket.state(), QLocalSocket::UnconnectedState);
        }
        QCOMPARE(activations.count(), 0);

        // The instance still answers a proper request.
        QLocalSocket socket;
        socket.connectToServer(first.socketPath());
        QVERIFY(socket.waitForConnected(1000));
        socket.write("activate\n");
        QTRY_VERIFY(socket.canReadLine());
        QCOMPARE(socket.readLine(), QByteArray("ok\n"));
        QCOMPARE(activations.count(), 1);
    }

    void programRunsOnceAndOpensItsSettingsForLaterStarts()
    {
        const auto folder = makeRuntimeFolder();
        KelvaroInRuntimeFolder running(folder->path());
        QVERIFY(running.start());
        QVERIFY(answers(SingleInstance(folder->path())));
        QVERIFY(settingsWindows().isEmpty());

        // No window of one run is restored in the next.
        const auto stored = [] {
            return QSettings(QStringLiteral("Kelvaro"), QStringLiteral("Kelvaro")).value("NSQuitAlwaysKeepsWindows");
        };
        QTRY_COMPARE(stored().toString(), QStringLiteral("false"));

        for (int start = 0; start < 2; ++start) {
            KelvaroInRuntimeFolder later(folder->path());
            QVERIFY(later.start());
            QCOMPARE(later.exitCode(15000), std::optional(0));
            QTRY_COMPARE(settingsWindows().size(), 1);   // the same window, brought forward again
            QTRY_COMPARE(m_client->inputFocus(), settingsWindows().first());
        }
        QVERIFY(running.isRunning());

        // After a crash the lock and the socket are left behind; the next start takes over.
        running.crash();
        QVERIFY(QFile::exists(SingleInstance(folder->path()).lockPath()));
        QVERIFY(QFile::exists(SingleInstance(folder->path()).socketPath()));
        KelvaroInRuntimeFolder next(folder->path());
        QVERIFY(next.start());
        QVERIFY(answers(SingleInstance(folder->path())));
        KelvaroInRuntimeFolder later(folder->path());
        QVERIFY(later.start());
        QCOMPARE(later.exitCode(15000), std::optional(0));
        QVERIFY(next.isRunning());
        QTRY_COMPARE(settingsWindows().size(), 1);
        next.crash();
        QTRY_VERIFY(settingsWindows().isEmpty());
    }

    void twoStartsAtOnceLeaveOne()
    {
        const auto folder = makeRuntimeFolder();
        KelvaroInRuntimeFolder one(folder->path());
        KelvaroInRuntimeFolder two(folder->path());
        QVERIFY(one.start());
        QVERIFY(two.start());
        QTRY_VERIFY_WITH_TIMEOUT(one.isRunning() != two.isRunning(), 15000);
        KelvaroInRuntimeFolder& ended = one.isRunning() ? two : one;
        QCOMPARE(ended.exitCode(0), std::optional(0));
        QTest::qWait(500);
        QVERIFY(one.isRunning() != two.isRunning());
        QTRY_COMPARE(settingsWindows().size(), 1);
    }
};

KELVARO_TEST_MAIN(KelvaroAppTest, QApplication, .display = true)
#include "tst_kelvaroapp.moc"
