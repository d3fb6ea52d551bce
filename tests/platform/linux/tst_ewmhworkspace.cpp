#include "core/WindowWatcher.h"
#include "platform/linux/EwmhWorkspace.h"
#include "platform/linux/XConnection.h"

#include "DesktopEntryFiles.h"
#include "TestEnvironment.h"
#include "XTestClient.h"
#include "XvfbServer.h"

#include <QCoreApplication>
#include <QSysInfo>
#include <QTest>

#include <memory>

using platform::ActivationPolicy;
using platform::EwmhWorkspace;
using platform::RunningApplication;
using platform::XConnection;
using Properties = XTestClient::WindowProperties;

namespace {

const QString kNoApplication = QStringLiteral("<no application>");
const QString kNoBundleIdentifier = QStringLiteral("<no bundle identifier>");

QString bundleOf(const std::optional<RunningApplication>& application)
{
    if (!application)
        return kNoApplication;
    return application->bundleIdentifier.value_or(kNoBundleIdentifier);
}

QString nameOf(const std::optional<RunningApplication>& application)
{
    return application ? application->localizedName.value_or(QStringLiteral("<no name>")) : kNoApplication;
}

QStringList bundlesOf(const QList<std::optional<RunningApplication>>& applications)
{
    QStringList bundles;
    for (const auto& application : applications)
        bundles.append(bundleOf(application));
    return bundles;
}

Properties editorWindow(quint32 pid)
{
    Properties properties;
    properties.wmClassInstance = QStringLiteral("example-editor");
    properties.wmClassClass = QStringLiteral("Example-editor");
    properties.pid = pid;
    properties.gtkApplicationId = QStringLiteral("org.example.Editor");
    return properties;
}

Properties classWindow(const QString& instanceName, const QString& className, std::optional<quint32> pid = {})
{
    Properties properties;
    properties.wmClassInstance = instanceName;
    properties.wmClassClass = className;
    properties.pid = pid;
    return properties;
}

} // namespace

class EwmhWorkspaceTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<XTestClient> m_client;
    std::unique_ptr<XConnection> m_connection;
    std::unique_ptr<EwmhWorkspace> m_workspace;
    QList<std::optional<RunningApplication>> m_notices;

    std::optional<RunningApplication> resolve(const Properties& properties)
    {
        return m_workspace->applicationForWindow(m_client->createWindow(properties));
    }

    // Activates each window in turn, as a window manager would, waiting for
    // the notice of one before activating the next. (A notice reads the
    // active window when it is handled, so switches faster than that would
    // all report the last window.)
    bool activateInTurn(const QList<xcb_window_t>& windows)
    {
        for (const xcb_window_t window : windows) {
            const qsizetype expected = m_notices.size() + 1;
            m_client->setActiveWindow(window);
            if (!QTest::qWaitFor([&] { return m_notices.size() >= expected; }))
                return false;
        }
        return true;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(writeApplicationEntry(QStringLiteral("org.example.Editor"),
                                      "Name=Example Editor\nIcon=accessories-text-editor\n"));
        QVERIFY(writeApplicationEntry(QStringLiteral("org.kde.viewer"), "Name=Image Viewer\nIcon=viewer\n"));
        QVERIFY(writeApplicationEntry(QStringLiteral("calc"), "Name=Calculator\nStartupWMClass=CalcWindow\n"));
        QVERIFY(writeApplicationEntry(QStringLiteral("plainterm"), "Name=Plain Terminal\n"));
        QVERIFY(writeApplicationEntry(QStringLiteral("nameless"), "Icon=nameless-icon\n"));

        m_client = std::make_unique<XTestClient>(TestEnvironment::current().xServer()->displayName());
        QVERIFY(m_client->isConnected());
    }

    void init()
    {
        QString error;
        m_connection = XConnection::open(QString(), &error);
        QVERIFY2(m_connection, qPrintable(error));
        m_workspace = std::make_unique<EwmhWorkspace>(*m_connection);
        m_notices.clear();
        connect(m_workspace.get(), &EwmhWorkspace::applicationActivated, m_workspace.get(),
                [this](const std::optional<RunningApplication>& application) { m_notices.append(application); });
    }

    void cleanup()
    {
        m_workspace.reset();
        m_connection.reset();
        m_client->setActiveWindow(XCB_WINDOW_NONE);
        m_client->setClientList({});
    }

    void notifiesEveryActivationInOrder()
    {
        const xcb_window_t editor = m_client->createWindow(editorWindow(4001));
        const xcb_window_t terminal = m_client->createWindow(classWindow("plainterm", "PlainTerm", 4002));
        const xcb_window_t bare = m_client->createWindow({});

        QVERIFY(activateInTurn({editor, terminal, editor, editor, bare, XCB_WINDOW_NONE, terminal}));
        QCOMPARE(bundlesOf(m_notices),
                 QStringList({"org.example.Editor", "plainterm", "org.example.Editor", "org.example.Editor",
                              kNoApplication, kNoApplication, "plainterm"}));
        QVERIFY(m_notices.at(0) == m_notices.at(2));
        QCOMPARE(m_notices.at(0)->processIdentifier(), qint64(4001));
        QCOMPARE(bundleOf(m_workspace->frontmostApplication()), QStringLiteral("plainterm"));

        m_client->deleteProperty(m_client->root(), "_NET_ACTIVE_WINDOW");
        QTRY_COMPARE(m_notices.size(), 8);
        QVERIFY(!m_notices.last());
        QVERIFY(!m_workspace->frontmostApplication());
    }

    void resolvesBundleIdentifierNameAndIcon()
    {
        // The GTK application ID comes before the KDE desktop file and the class.
        Properties all = classWindow("calc-bin", "CalcWindow");
        all.gtkApplicationId = QStringLiteral("org.example.Editor");
        all.kdeDesktopFile = QStringLiteral("org.kde.viewer");
        auto application = resolve(all);
        QCOMPARE(bundleOf(application), QStringLiteral("org.example.Editor"));
        QCOMPARE(nameOf(application), QStringLiteral("Example Editor"));
        QCOMPARE(application->iconName, QStringLiteral("accessories-text-editor"));

        // The KDE desktop file, as a path, comes before the class.
        Properties kde = classWindow("calc-bin", "CalcWindow");
        kde.kdeDesktopFile = QStringLiteral("/usr/share/applications/org.kde.viewer.desktop");
        application = resolve(kde);
        QCOMPARE(bundleOf(application), QStringLiteral("org.kde.viewer"));
        QCOMPARE(nameOf(application), QStringLiteral("Image Viewer"));
        QCOMPARE(application->iconName, QStringLiteral("viewer"));

        application = resolve(classWindow("calc-bin", "CalcWindow"));
        QCOMPARE(bundleOf(application), QStringLiteral("calc"));
        QCOMPARE(nameOf(application), QStringLiteral("Calculator"));

        application = resolve(classWindow("plainterm", "PlainTerm"));
        QCOMPARE(bundleOf(application), QStringLiteral("plainterm"));
        QCOMPARE(nameOf(application), QStringLiteral("Plain Terminal"));

        // No entry: the class names the application, without an icon.
        application = resolve(classWindow("mystery", "Mystery"));
        QCOMPARE(bundleOf(application), QStringLiteral("Mystery"));
        QCOMPARE(nameOf(application), QStringLiteral("Mystery"));
        QCOMPARE(application->iconName, QString());
        QCOMPARE(bundleOf(resolve(classWindow("instance-only", ""))), QStringLiteral("instance-only"));

        // A declared ID is kept even without an entry; the class still gives a name.
        Properties undeclared = classWindow("unlisted", "Unlisted");
        undeclared.gtkApplicationId = QStringLiteral("org.example.Unlisted");
        application = resolve(undeclared);
        QCOMPARE(bundleOf(application), QStringLiteral("org.example.Unlisted"));
        QCOMPARE(nameOf(application), QStringLiteral("Unlisted"));

        // An entry without Name: the class is the name, the entry's icon is used.
        application = resolve(classWindow("nameless", "Nameless"));
        QCOMPARE(bundleOf(application), QStringLiteral("nameless"));
        QCOMPARE(nameOf(application), QStringLiteral("Nameless"));
        QCOMPARE(application->iconName, QStringLiteral("nameless-icon"));

        // A process id alone is an application without a bundle identifier;
        // no identity data at all is no application.
        Properties pidOnly;
        pidOnly.pid = 4100;
        application = resolve(pidOnly);
        QCOMPARE(bundleOf(application), kNoBundleIdentifier);
        QCOMPARE(nameOf(application), QStringLiteral("<no name>"));
        QVERIFY(!resolve({}));
        QVERIFY(!resolve(classWindow("", "")));
    }

    void identifiesTheProcessBehindWindows()
    {
        const auto first = resolve(classWindow("plainterm", "PlainTerm", 4200));
        const auto second = resolve(classWindow("mystery", "Mystery", 4200));
        QVERIFY(first && first == second);
        QCOMPARE(first->processIdentifier(), qint64(4200));

        // Without a process id each window stands for itself.
        const auto windowOnly = resolve(classWindow("plainterm", "PlainTerm"));
        QVERIFY(windowOnly != resolve(classWindow("plainterm", "PlainTerm")));
        QVERIFY(windowOnly != first);

        // The same process id on another machine is another process.
        const xcb_window_t remote = m_client->createWindow(classWindow("plainterm", "PlainTerm", 4200));
        m_client->setStringProperty(remote, "WM_CLIENT_MACHINE", "far-away.example.org", "STRING");
        QVERIFY(m_workspace->applicationForWindow(remote) != first);
        const xcb_window_t local = m_client->createWindow(classWindow("plainterm", "PlainTerm", 4200));
        m_client->setStringProperty(local, "WM_CLIENT_MACHINE", QSysInfo::machineHostName().toUtf8(), "STRING");
        QVERIFY(m_workspace->applicationForWindow(local) == first);
    }

    void derivesActivationPolicy_data()
    {
        QTest::addColumn<QString>("windowType");
        QTest::addColumn<bool>("skipTaskbar");
        QTest::addColumn<int>("expected");

        QTest::newRow("untyped") << QString() << false << int(ActivationPolicy::Regular);
        QTest::newRow("normal") << "_NET_WM_WINDOW_TYPE_NORMAL" << false << int(ActivationPolicy::Regular);
        QTest::newRow("dialog") << "_NET_WM_WINDOW_TYPE_DIALOG" << false << int(ActivationPolicy::Regular);
        QTest::newRow("skip taskbar") << QString() << true << int(ActivationPolicy::Accessory);
        QTest::newRow("normal, skip taskbar")
            << "_NET_WM_WINDOW_TYPE_NORMAL" << true << int(ActivationPolicy::Accessory);
        for (const char* type : {"UTILITY", "TOOLBAR", "MENU", "SPLASH", "NOTIFICATION"})
            QTest::newRow(type) << QStringLiteral("_NET_WM_WINDOW_TYPE_%1").arg(QLatin1String(type)) << false
                                << int(ActivationPolicy::Accessory);
        QTest::newRow("dock") << "_NET_WM_WINDOW_TYPE_DOCK" << false << int(ActivationPolicy::Prohibited);
        QTest::newRow("desktop, skip taskbar")
            << "_NET_WM_WINDOW_TYPE_DESKTOP" << true << int(ActivationPolicy::Prohibited);
    }

    void derivesActivationPolicy()
    {
        QFETCH(QString, windowType);
        QFETCH(bool, skipTaskbar);
        QFETCH(int, expected);
        Properties properties = classWindow("plainterm", "PlainTerm", 4300);
        if (!windowType.isEmpty())
            properties.windowType = windowType;
        properties.skipTaskbar = skipTaskbar;
        const auto application = resolve(properties);
        QVERIFY(application);
        QCOMPARE(int(application->activationPolicy), expected);
    }

    void rereadsAWindowWhoseIdentityChanges()
    {
        const xcb_window_t window = m_client->createWindow(classWindow("plainterm", "PlainTerm", 4400));
        QVERIFY(activateInTurn({window}));
        QCOMPARE(bundleOf(m_notices.last()), QStringLiteral("plainterm"));

        m_client->setStringProperty(window, "WM_CLASS", QByteArray("calc-bin\0CalcWindow\0", 20), "STRING");
        QVERIFY(activateInTurn({window}));
        QCOMPARE(bundleOf(m_notices.last()), QStringLiteral("calc"));
        QCOMPARE(int(m_notices.last()->activationPolicy), int(ActivationPolicy::Regular));

        const xcb_atom_t dock = m_client->atom("_NET_WM_WINDOW_TYPE_DOCK");
        xcb_change_property(m_client->connection(), XCB_PROP_MODE_REPLACE, window,
                            m_client->atom("_NET_WM_WINDOW_TYPE"), XCB_ATOM_ATOM, 32, 1, &dock);
        QVERIFY(activateInTurn({window}));
        QCOMPARE(int(m_notices.last()->activationPolicy), int(ActivationPolicy::Prohibited));

        m_client->deleteProperty(window, "_NET_WM_PID");
        QVERIFY(activateInTurn({window}));
        QCOMPARE(m_notices.last()->processIdentifier(), qint64(-1));
    }

    void forgetsDestroyedWindows()
    {
        const xcb_window_t window = m_client->createWindow(classWindow("plainterm", "PlainTerm", 4500));
        QVERIFY(m_workspace->applicationForWindow(window));
        m_client->destroyWindow(window);
        QTRY_VERIFY(!m_workspace->applicationForWindow(window));

        // Activated and destroyed before this side reads it.
        const xcb_window_t shortLived = m_client->createWindow(classWindow("plainterm", "PlainTerm", 4501));
        m_client->setActiveWindow(shortLived);
        m_client->destroyWindow(shortLived);
        QTRY_COMPARE(m_notices.size(), 1);
        QVERIFY(!m_notices.first());

        // A client list naming a window that no longer exists.
        const xcb_window_t alive = m_client->createWindow(classWindow("plainterm", "PlainTerm", 4502));
        m_client->setClientList({shortLived, alive});
        const auto running = m_workspace->runningApplications();
        QCOMPARE(running.size(), 1);
        QCOMPARE(running.first().processIdentifier(), qint64(4502));
    }

    void listsRunningApplicationsOncePerProcess()
    {
        const xcb_window_t editor = m_client->createWindow(editorWindow(4600));
        const xcb_window_t editorTerminal = m_client->createWindow(classWindow("plainterm", "PlainTerm", 4600));
        const xcb_window_t mystery = m_client->createWindow(classWindow("mystery", "Mystery", 4601));
        const xcb_window_t bare = m_client->createWindow({});
        const xcb_window_t calc = m_client->createWindow(classWindow("calc-bin", "CalcWindow"));
        QVERIFY(m_workspace->runningApplications().isEmpty());

        m_client->setClientList({bare, editor, mystery, editorTerminal, calc});
        const auto running = m_workspace->runningApplications();
        QStringList bundles;
        for (const RunningApplication& application : running)
            bundles.append(bundleOf(application));
        QCOMPARE(bundles, QStringList({"org.example.Editor", "Mystery", "calc"}));
    }

    void followsDesktopEntriesInstalledLater()
    {
        const xcb_window_t window = m_client->createWindow(classWindow("late-bin", "LateWindow", 4700));
        QCOMPARE(bundleOf(m_workspace->applicationForWindow(window)), QStringLiteral("LateWindow"));

        QVERIFY(writeApplicationEntry(QStringLiteral("org.example.Late"), "Name=Late\nStartupWMClass=LateWindow\n"));
        QTRY_COMPARE_WITH_TIMEOUT(bundleOf(m_workspace->applicationForWindow(window)),
                                  QStringLiteral("org.example.Late"), 10000);
    }

    void watcherPublishesBundleIdentifiersInOrder()
    {
        const xcb_window_t editor = m_client->createWindow(editorWindow(4800));
        const xcb_window_t terminal = m_client->createWindow(classWindow("plainterm", "PlainTerm", 4801));
        const xcb_window_t bare = m_client->createWindow({});
        QVERIFY(activateInTurn({editor}));

        WindowWatcher watcher(*m_workspace);
        QStringList published;
        watcher.subscribe(&watcher, [&](const WindowWatcher::Application& application) {
            published.append(bundleOf(application));
        });
        QCOMPARE(published, QStringList({"org.example.Editor"}));

        QVERIFY(activateInTurn({terminal, editor, editor, bare, terminal}));
        QTRY_COMPARE(published.size(), 5);
        QTest::qWait(50); // nothing more may follow
        QCOMPARE(published, QStringList({"org.example.Editor", "plainterm", "org.example.Editor",
                                         "org.example.Editor", "plainterm"}));
    }
};

KELVARO_TEST_MAIN(EwmhWorkspaceTest, QCoreApplication, .display = true)

#include "tst_ewmhworkspace.moc"
