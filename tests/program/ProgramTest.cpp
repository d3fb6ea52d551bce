#include "app/CommandLine.h"
#include "app/SingleInstance.h"
#include "core/RulesStore.h"
#include "platform/ProcessLock.h"

#include "KelvaroProcess.h"
#include "TestFiles.h"
#include "TestRegistry.h"
#include "XTestClient.h"
#include "XvfbServer.h"

#include <QLocalSocket>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QProcessEnvironment environmentWith(const QString& name, const std::optional<QString>& value,
                                    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment())
{
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

// A runtime folder of a test's own (user access only), and the names of the guard's files in it.
struct RuntimeFolder {
    QTemporaryDir folder{QDir(TestEnvironment::current().root()).filePath("run-XXXXXX")};
    SingleInstance guard{folder.path()};

    RuntimeFolder() { chmod(qPrintable(folder.path()), 0700); }
    QProcessEnvironment environment() const { return environmentWith("XDG_RUNTIME_DIR", folder.path()); }
    bool answers() const
    {
        QLocalSocket socket;
        socket.connectToServer(guard.socketPath());
        return socket.waitForConnected(100);
    }
};

// Root may open any file: this start runs without that right, so that files of
// another user or without permissions stop it as they stop a user.
std::unique_ptr<KelvaroProcess> startedWithUserRights(const QProcessEnvironment& environment)
{
    const QString program = KelvaroProcess::besideThisProgram();
    auto kelvaro = std::make_unique<KelvaroProcess>(geteuid() == 0 ? "setpriv" : program, environment);
    kelvaro->start(geteuid() == 0 ? QStringList{"--bounding-set", "-dac_override,-dac_read_search", "--", program}
                                  : QStringList());
    return kelvaro;
}

} // namespace

// The program as it is installed: started as a process on the test's X
// server, with the test's home.
class ProgramTest : public QObject {
    Q_OBJECT

    std::unique_ptr<XTestClient> m_client;
    xcb_window_t m_editor = 0;
    xcb_window_t m_other = 0;

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
        QString error;
        QVERIFY2(RulesStore(RulesStore::defaultPath())
                     .save({AppRule::create("org.example.Editor", "Editor", "xkb:de::deu"),
                            AppRule::create("libreoffice-writer", "Writer", "xkb:ru::rus"),
                            AppRule::create("libreoffice-calc", "Calc", "xkb:de::deu")},
                           &error),
                 qPrintable(error));
        m_editor = m_client->createWindow(window("Example-editor", 501, "org.example.Editor"));
        m_other = m_client->createWindow(window("Other", 503));
    }

    void switchesForTheApplicationInFront()
    {
        // Writer and Calc: windows of one process.
        const xcb_window_t writer = m_client->createWindow(window("libreoffice-writer", 700));
        const xcb_window_t calc = m_client->createWindow(window("libreoffice-calc", 700));
        QVERIFY(m_client->lockGroup(0));
        m_client->setActiveWindow(m_editor);

        KelvaroProcess kelvaro(KelvaroProcess::besideThisProgram());
        QVERIFY(kelvaro.start());
        // The application in front at start first.
        QTRY_COMPARE_WITH_TIMEOUT(m_client->lockedGroup(), std::optional(1), 10000);
        for (const auto& [window, group] : {std::pair(writer, 2), std::pair(calc, 1), std::pair(writer, 2),
                                            std::pair(m_other, 0), std::pair(m_editor, 1)}) {
            m_client->setActiveWindow(window);
            QTRY_COMPARE(m_client->lockedGroup(), std::optional(group));
        }
    }

    // Two applications without a rule, each given its layout by hand, get it
    // back whenever they come to the front, also after a restart.
    void remembersTheLayoutOfEachApplicationAcrossRestarts()
    {
        QSettings settings(QStringLiteral("Kelvaro"), QStringLiteral("Kelvaro"));
        settings.setValue("rememberPerApplication", true);
        settings.sync();
        const xcb_window_t notes = m_client->createWindow(window("Notes", 504));
        m_client->setActiveWindow(m_other);
        QVERIFY(m_client->lockGroup(1));
        auto kelvaro = std::make_unique<KelvaroProcess>(KelvaroProcess::besideThisProgram());
        QVERIFY(kelvaro->start());
        QTRY_COMPARE_WITH_TIMEOUT(m_client->lockedGroup(), std::optional(0), 10000);   // the default
        QVERIFY(m_client->lockGroup(2));
        m_client->setActiveWindow(notes);
        QTRY_COMPARE(m_client->lockedGroup(), std::optional(0));
        QVERIFY(m_client->lockGroup(1));
        for (const auto& [window, group] : {std::pair(m_other, 2), std::pair(notes, 1), std::pair(m_other, 2)}) {
            m_client->setActiveWindow(window);
            QTRY_COMPARE(m_client->lockedGroup(), std::optional(group));
        }
        kelvaro->stop();
        QVERIFY(m_client->lockGroup(0));
        kelvaro = std::make_unique<KelvaroProcess>(KelvaroProcess::besideThisProgram());
        QVERIFY(kelvaro->start());
        QTRY_COMPARE_WITH_TIMEOUT(m_client->lockedGroup(), std::optional(2), 10000);
        m_client->setActiveWindow(notes);
        QTRY_COMPARE(m_client->lockedGroup(), std::optional(1));
        settings.remove("rememberPerApplication");
    }

    void runsOncePerSessionAndBringsItsSettingsForward()
    {
        const RuntimeFolder runtime;
        const QProcessEnvironment environment = runtime.environment();
        for (int crashes = 0; crashes < 2; ++crashes) {
            // A crash leaves the lock and the socket behind: the next start takes over.
            KelvaroProcess running(KelvaroProcess::besideThisProgram(), environment);
            QVERIFY(running.start());
            QVERIFY(QTest::qWaitFor([&] { return runtime.answers(); }, 15000));
            for (const QByteArray& junk : {QByteArray("open everything\n"), QByteArray(200, 'a')}) {
                QLocalSocket socket;
                socket.connectToServer(runtime.guard.socketPath());
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

    void startsWhereNoKelvaroOfItsDisplayAnswers_data()
    {
        QTest::addColumn<QString>("lock");   // in the runtime folder, or QSettings' write lock
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<int>("signalNumber");   // ends the run
        const QByteArray elsewhere = "1\nkelvaro\nelsewhere\n";
        QTest::newRow("written under another host name") << "guard" << elsewhere << SIGTERM;
        QTest::newRow("empty") << "guard" << QByteArray() << SIGINT;
        QTest::newRow("owned by another user") << "other user's guard" << elsewhere << SIGHUP;
        QTest::newRow("unreadable") << "unreadable guard" << elsewhere << SIGTERM;
        // Unguarded once a Kelvaro still starting would have answered.
        QTest::newRow("held by a process that does not answer") << "held guard" << elsewhere << SIGINT;
        QTest::newRow("held by Kelvaro on another display") << "another display's" << QByteArray() << SIGHUP;
        QTest::newRow("settings lock, empty") << "settings" << QByteArray() << SIGHUP;
        QTest::newRow("settings lock, another host") << "settings" << elsewhere << SIGTERM;
    }

    void startsWhereNoKelvaroOfItsDisplayAnswers()
    {
        QFETCH(QString, lock);
        QFETCH(QByteArray, contents);
        QFETCH(int, signalNumber);
        const RuntimeFolder runtime;
        const QString path = lock == "settings" ? qEnvironmentVariable("XDG_CONFIG_HOME") + "/Kelvaro/Kelvaro.conf.lock"
                                                : runtime.guard.lockPath();
        QString error;
        platform::ProcessLock holder(path);
        XvfbServer otherDisplay;
        std::unique_ptr<KelvaroProcess> onOtherDisplay;
        if (lock == "another display's") {
            QVERIFY2(otherDisplay.start({"us"}, {}, &error), qPrintable(error));
            onOtherDisplay = startedWithUserRights(environmentWith("DISPLAY", otherDisplay.displayName(),
                                                                   runtime.environment()));
            // Its lock and socket.
            QTRY_COMPARE_WITH_TIMEOUT(QDir(runtime.folder.path()).entryList(QDir::System | QDir::Files).size(), 2,
                                      10000);
        } else {
            QVERIFY(writeFile(path, contents));
            QCOMPARE(chmod(qPrintable(path), lock.startsWith("unreadable") ? 0 : 0600), 0);
        }
        if (lock.startsWith("other") && chown(qPrintable(path), 65534, 65534) != 0)
            QSKIP("Only root can give a file to another user");
        QVERIFY(!lock.startsWith("held") || holder.tryLock(&error) == platform::ProcessLock::Result::Locked);
        QVERIFY(m_client->lockGroup(0));
        m_client->setActiveWindow(m_editor);

        const auto kelvaro = startedWithUserRights(runtime.environment());
        // The application in front at start, then the next one: the event loop runs.
        QTRY_COMPARE_WITH_TIMEOUT(m_client->lockedGroup(), std::optional(1), 15000);
        m_client->setActiveWindow(m_other);
        QTRY_COMPARE(m_client->lockedGroup(), std::optional(0));
        QCOMPARE(runtime.answers(), !holder.isLocked());
        // Ended by the session, it leaves neither socket nor lock.
        QCOMPARE(kill(pid_t(kelvaro->pid()), signalNumber), 0);
        QCOMPARE(kelvaro->exitCode(5000), std::optional(0));
        QVERIFY(!QFile::exists(runtime.guard.socketPath()));
        QCOMPARE(QFile::exists(runtime.guard.lockPath()), holder.isLocked());
        QVERIFY(!onOtherDisplay || onOtherDisplay->isRunning());
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

    // The command line: `sources` lists the display's layouts with the current
    // one marked and leaves the home as it was (no guard, settings or rules).
    void commandLine_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("display");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QByteArray>("output");
        QTest::addColumn<QByteArray>("errors");
        const QByteArray usage = CommandLine::usage().toUtf8();
        QTest::newRow("sources") << QStringList{"sources"} << true << 0
                                 << QByteArray("  xkb:us::eng\tEnglish (US)\n  xkb:de::deu\tGerman\n"
                                               "* xkb:ru::rus\tRussian\n")
                                 << QByteArray();
        QTest::newRow("sources without a display") << QStringList{"sources"} << false << 1 << QByteArray()
                                                   << QByteArray("Kelvaro needs an X11 session: DISPLAY is not set\n");
        QTest::newRow("status without a session bus") << QStringList{"status"} << true << 1 << QByteArray()
                                                      << QByteArray("Kelvaro is not running: there is no session bus\n");
        QTest::newRow("help") << QStringList{"--help"} << true << 0 << usage << QByteArray();
        QTest::newRow("unknown command") << QStringList{"source"} << true << 2 << QByteArray()
                                         << "Unknown command: source\n\n" + usage;
        QTest::newRow("unknown option") << QStringList{"sources", "--all"} << true << 2 << QByteArray()
                                        << "Unknown option 'all'.\n\n" + usage;
        QTest::newRow("operand missing") << QStringList{"rules", "add", "firefox"} << true << 2 << QByteArray()
                                         << "Wrong number of arguments for rules add\n\n" + usage;
    }

    void commandLine()
    {
        QFETCH(QStringList, arguments);
        QFETCH(bool, display);
        QFETCH(int, exitCode);
        QFETCH(QByteArray, output);
        QFETCH(QByteArray, errors);
        QVERIFY(m_client->lockGroup(2));
        const QTemporaryDir home(QDir(TestEnvironment::current().root()).filePath("home-XXXXXX"));
        QProcessEnvironment environment = environmentWith("DISPLAY", display ? qEnvironmentVariable("DISPLAY")
                                                                             : std::optional<QString>());
        environment.remove("QT_QPA_PLATFORM");
        environment.remove("DBUS_SESSION_BUS_ADDRESS");
        for (const char* folder : {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_RUNTIME_DIR"})
            environment.insert(folder, home.path());
        QProcess kelvaro;
        kelvaro.setProcessEnvironment(environment);
        kelvaro.start(KelvaroProcess::besideThisProgram(), arguments);
        QVERIFY(kelvaro.waitForFinished(10000));
        QCOMPARE(kelvaro.exitStatus(), QProcess::NormalExit);
        QCOMPARE(kelvaro.exitCode(), exitCode);
        QCOMPARE(kelvaro.readAllStandardOutput(), output);
        QCOMPARE(kelvaro.readAllStandardError(), errors);
        QCOMPARE(QDir(home.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot),
                 QStringList());
    }
};

KELVARO_TEST(ProgramTest)
#include "ProgramTest.moc"
