#include "platform/linux/EwmhWorkspace.h"

#include "DesktopEntryFiles.h"
#include "OpenConnection.h"
#include "TestRegistry.h"
#include "XTestClient.h"

#include <QTest>

using platform::ActivationPolicy;
using platform::EwmhWorkspace;
using platform::RunningApplication;
using Properties = XTestClient::WindowProperties;

namespace {

// "bundle|name|icon", "-" for what is missing; "<none>" for no application.
QString describe(const std::optional<RunningApplication>& application)
{
    if (!application)
        return QStringLiteral("<none>");
    return QStringList{application->bundleIdentifier.value_or("-"), application->localizedName.value_or("-"),
                       application->iconName}
        .join('|');
}

QString bundleOf(const std::optional<RunningApplication>& application)
{
    return describe(application).section('|', 0, 0);
}

} // namespace

// A second client plays the applications and the window manager; desktop
// entries lie in the test's only XDG data folder.
class EwmhWorkspaceTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<XTestClient> m_client;
    std::unique_ptr<platform::XConnection> m_connection;
    std::unique_ptr<EwmhWorkspace> m_workspace;
    QStringList m_notices;   // bundle of each activation notice

    // Activates each window in turn, as a window manager would, waiting for
    // each notice: a notice reads the active window when it is handled.
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
        const QList<std::pair<QString, QByteArray>> entries{
            {"org.example.Editor", "Name=Example Editor\nIcon=accessories-text-editor\nStartupWMClass=EditorWindow\n"},
            // A helper claiming the editor's class; its ID sorts first.
            {"com.example.EditorHelper", "Name=Editor Helper\nNoDisplay=true\nStartupWMClass=EditorWindow\n"},
            {"com.example.Daemon", "Name=Daemon Panel\nNoDisplay=true\nStartupWMClass=DaemonPanel\n"},
            {"org.kde.viewer", "Name=Image Viewer\nIcon=viewer\n"},
            {"org.mozilla.browser", "Name=Browser\nStartupWMClass=browser\n"},
            {"Navigator", "Name=Not the browser\n"},
            {"gimp", "Name=Image Editor\n"},
            {"nameless", "Icon=/opt/nameless/icon.png\n"},
            {"hidden", "Name=Hidden\nHidden=true\nStartupWMClass=HiddenWindow\n"},
            {"kde4/viewer", ""},
        };
        for (const auto& [id, lines] : entries)
            QVERIFY(writeDesktopEntry(id + ".desktop", kApplicationEntry + lines));
        QVERIFY(writeDesktopEntry("broken.desktop", QByteArray("Name=outside any group\n[Desktop Entry\n\xff\xfe=\n")));
        m_client = std::make_unique<XTestClient>();
        QVERIFY(m_client->isConnected());
    }

    void init()
    {
        m_connection = openConnection();
        QVERIFY(m_connection);
        m_workspace = std::make_unique<EwmhWorkspace>(*m_connection);
        m_notices.clear();
        connect(m_workspace.get(), &EwmhWorkspace::applicationActivated, m_workspace.get(),
                [this](const std::optional<RunningApplication>& application) { m_notices << bundleOf(application); });
    }

    void cleanup()
    {
        m_workspace.reset();
        m_connection.reset();
        m_client->setActiveWindow(XCB_WINDOW_NONE);
        m_client->setClientList({});
    }

    void identifiesTheApplicationOfAWindow_data()
    {
        QTest::addColumn<Properties>("properties");
        QTest::addColumn<QString>("expected");
        const auto window = [](const QString& instance, const QString& className, const QString& declaredId = {}) {
            Properties properties = Properties::ofClass(className, 4000);
            properties.wmClassInstance = instance;
            if (declaredId.startsWith('/'))
                properties.kdeDesktopFile = declaredId;
            else if (!declaredId.isEmpty())
                properties.gtkApplicationId = declaredId;
            return properties;
        };
        const QString editor = "org.example.Editor|Example Editor|accessories-text-editor";
        QTest::newRow("declared ID first") << window("calc", "Navigator", "org.example.Editor") << editor;
        QTest::newRow("KDE desktop file")
            << window("calc", "Navigator", "/usr/share/applications/org.kde.viewer.desktop")
            << "org.kde.viewer|Image Viewer|viewer";
        QTest::newRow("declared ID without an entry") << window("unlisted", "Unlisted", "org.example.Unlisted")
                                                      << "org.example.Unlisted|Unlisted|";
        QTest::newRow("startup class, shown entry first") << window("editor", "EditorWindow") << editor;
        QTest::newRow("entry hidden from menus") << window("daemon", "DaemonPanel")
                                                 << "com.example.Daemon|Daemon Panel|";
        QTest::newRow("startup class before the ID") << window("Navigator", "browser")
                                                     << "org.mozilla.browser|Browser|";
        QTest::newRow("ID is the instance") << window("gimp", "Gimp-2.10") << "gimp|Image Editor|";
        QTest::newRow("ID in another case") << window("gimp-2.10", "Gimp") << "gimp|Image Editor|";
        QTest::newRow("entry without a name") << window("nameless", "Nameless")
                                              << "nameless|Nameless|/opt/nameless/icon.png";
        QTest::newRow("no entry") << window("mystery", "") << "mystery|mystery|";
        QTest::newRow("deleted entry") << window("hiddenwindow", "HiddenWindow") << "HiddenWindow|HiddenWindow|";
        QTest::newRow("broken entry") << window("broken", "Broken") << "Broken|Broken|";
        QTest::newRow("process only") << window("", "") << "-|-|";
        QTest::newRow("nothing") << Properties{} << "<none>";
    }

    void identifiesTheApplicationOfAWindow()
    {
        QFETCH(Properties, properties);
        QFETCH(QString, expected);
        QCOMPARE(describe(m_workspace->applicationForWindow(m_client->createWindow(properties))), expected);
    }

    void findsInstalledApplicationsByExactId()
    {
        const auto installed = [&](const QString& id) { return describe(m_workspace->installedApplication(id)); };
        QTRY_COMPARE(installed("org.example.Editor"),
                     "org.example.Editor|Example Editor|accessories-text-editor|share/applications/org.example.Editor.desktop");
        QCOMPARE(installed("kde4-viewer"), "kde4-viewer|-||share/applications/kde4/viewer.desktop");
        QCOMPARE(installed("org.example.editor") + installed("hidden"), "<none><none>");
    }

    // Each row is the icon of an application's second window; its first has none.
    void readsTheWindowIconNearest32Pixels_data()
    {
        QTest::addColumn<QList<quint32>>("icon");
        QTest::addColumn<int>("side");   // of the icon read, 0 for none
        const auto image = [](quint32 w, quint32 h, quint32 pixels) { return QList<quint32>{w, h} + QList<quint32>(pixels, 0x80ff0000 + w); };
        QTest::newRow("one 32 px image") << image(32, 32, 1024) << 32;
        QTest::newRow("several sizes") << image(16, 16, 256) + image(64, 64, 4096) + image(32, 32, 1024) + image(48, 48, 2304) << 32;
        QTest::newRow("truncated after a good one") << image(16, 16, 256) + image(32, 32, 1000) << 16;
        QTest::newRow("width*height overflows") << image(0x10000, 0x10000, 0) + image(16, 16, 256) << 0;
        QTest::newRow("zero, absurd, small sizes") << image(0, 32, 0) + image(2000, 1, 2000) + image(24, 24, 576) + image(16, 16, 256) << 24;
    }

    void readsTheWindowIconNearest32Pixels()
    {
        QFETCH(QList<quint32>, icon);
        QFETCH(int, side);
        const auto painter = [&] { return m_client->createWindow(Properties::ofClass("Painter", 4900)); };
        const QList<xcb_window_t> windows{painter(), painter()};
        xcb_change_property(m_client->connection(), XCB_PROP_MODE_REPLACE, windows[1], m_client->atom("_NET_WM_ICON"),
                            XCB_ATOM_CARDINAL, 32, uint32_t(icon.size()), icon.constData());
        m_client->setClientList(windows);
        const QImage read = m_workspace->runningApplications().value(0).windowIcon;
        QCOMPARE(read.size(), QSize(side, side));
        QCOMPARE(read.isNull() ? 0u : read.pixelColor(0, 0).rgba(), side ? 0x80ff0000u + side : 0u);
    }

    void notifiesEveryActivationInOrder()
    {
        const xcb_window_t editor = m_client->createWindow(Properties::ofClass("EditorWindow", 4001));
        const xcb_window_t mystery = m_client->createWindow(Properties::ofClass("Mystery", 4002));
        const xcb_window_t bare = m_client->createWindow({});
        QVERIFY(activateInTurn({editor, mystery, editor, editor, bare, XCB_WINDOW_NONE, mystery}));
        QCOMPARE(m_notices, QStringList({"org.example.Editor", "Mystery", "org.example.Editor", "org.example.Editor",
                                         "<none>", "<none>", "Mystery"}));
        m_client->deleteProperty(m_client->root(), "_NET_ACTIVE_WINDOW");
        QTRY_COMPARE(m_notices.size(), 8);
        QCOMPARE(m_notices.last(), QStringLiteral("<none>"));
    }

    void rereadsAWindowWhoseIdentityChanges()
    {
        const xcb_window_t window = m_client->createWindow(Properties::ofClass("Mystery", 4400));
        QVERIFY(activateInTurn({window}));
        // Set after the window became active: announced again, without a new activation.
        m_client->setStringProperty(window, "WM_CLASS", QByteArray("editor\0EditorWindow\0", 20), "STRING");
        QTRY_COMPARE(m_notices.size(), 2);
        const xcb_atom_t dock = m_client->atom("_NET_WM_WINDOW_TYPE_DOCK");
        xcb_change_property(m_client->connection(), XCB_PROP_MODE_REPLACE, window,
                            m_client->atom("_NET_WM_WINDOW_TYPE"), XCB_ATOM_ATOM, 32, 1, &dock);
        m_client->deleteProperty(window, "_NET_WM_PID");
        QVERIFY(activateInTurn({window}));
        QCOMPARE(m_notices, QStringList({"Mystery", "org.example.Editor", "org.example.Editor"}));
        QCOMPARE(m_workspace->frontmostApplication()->activationPolicy, ActivationPolicy::Prohibited);
        QCOMPARE(m_workspace->frontmostApplication()->processIdentifier(), qint64(-1));
    }

    void listsRunningApplicationsOnceForgettingTheGone()
    {
        const xcb_window_t editor = m_client->createWindow(Properties::ofClass("EditorWindow", 4600));
        const xcb_window_t editorTool = m_client->createWindow(Properties::ofClass("EditorWindow", 4600));
        const xcb_window_t gone = m_client->createWindow(Properties::ofClass("Gone", 4601));
        QVERIFY(m_workspace->applicationForWindow(gone));
        m_client->destroyWindow(gone);
        QTRY_VERIFY(!m_workspace->applicationForWindow(gone));
        m_client->setClientList({m_client->createWindow({}), gone, editor, editorTool});
        QCOMPARE(m_workspace->runningApplications().size(), 1);
        QCOMPARE(bundleOf(m_workspace->runningApplications().first()), QStringLiteral("org.example.Editor"));
        // Activated and destroyed before this side reads it.
        const xcb_window_t shortLived = m_client->createWindow(Properties::ofClass("Mystery", 4602));
        m_client->setActiveWindow(shortLived);
        m_client->destroyWindow(shortLived);
        QTRY_COMPARE(m_notices, QStringList{"<none>"});
    }

    // Window IDs come back with the next X client, small pids with every
    // sandboxed process: what held an ID before is a different application.
    void aReusedIdentityIsANewApplication_data()
    {
        QTest::addColumn<std::optional<quint32>>("pid");
        QTest::newRow("window ID of a client that left") << std::optional<quint32>();
        QTest::newRow("pid of a process that ended") << std::optional<quint32>(2);
    }

    void aReusedIdentityIsANewApplication()
    {
        QFETCH(std::optional<quint32>, pid);
        const auto readAndLeave = [&] {
            XTestClient client;
            const xcb_window_t window = client.createWindow(Properties::ofClass("Reused", pid));
            return std::pair(window, m_workspace->applicationForWindow(window));
        };
        const auto [first, before] = readAndLeave();
        QTRY_VERIFY(!m_workspace->applicationForWindow(first));   // its end was seen
        const auto [second, after] = readAndLeave();
        QCOMPARE(second, first);   // the server handed out the same ID again
        QVERIFY(before && after && !(*before == *after));
    }

    void processesWithTheSamePid()
    {
        const xcb_window_t a = m_client->createWindow(Properties::ofClass("EditorWindow", 2));
        const xcb_window_t sibling = m_client->createWindow(Properties::ofClass("EditorWindow", 2));
        m_client->setClientList({a, sibling});
        // The process lives on in a window not read yet: still the same application.
        const auto before = m_workspace->applicationForWindow(a);
        m_client->destroyWindow(a);
        QTRY_VERIFY(!m_workspace->applicationForWindow(a));
        const xcb_window_t later = m_client->createWindow(Properties::ofClass("EditorWindow", 2));
        QVERIFY(*m_workspace->applicationForWindow(later) == *before);
        // Another application declaring the same pid is listed apart.
        m_client->setClientList({sibling, later, m_client->createWindow(Properties::ofClass("Mystery", 2))});
        QCOMPARE(m_workspace->runningApplications().size(), 2);
    }

    void followsDesktopEntriesInstalledLater()
    {
        const xcb_window_t window = m_client->createWindow(Properties::ofClass("LateWindow", 4700));
        QCOMPARE(bundleOf(m_workspace->applicationForWindow(window)), QStringLiteral("LateWindow"));
        QVERIFY(writeDesktopEntry("org.example.Late.desktop",
                                  kApplicationEntry + "Name=Late\nStartupWMClass=LateWindow\n"));
        QTRY_COMPARE_WITH_TIMEOUT(bundleOf(m_workspace->applicationForWindow(window)),
                                  QStringLiteral("org.example.Late"), 10000);
    }
};

KELVARO_TEST(EwmhWorkspaceTest)
#include "EwmhWorkspaceTest.moc"
