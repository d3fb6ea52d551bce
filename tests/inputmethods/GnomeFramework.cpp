#include "platform/ApplicationResources.h"
#include "platform/gnome/GnomeInputSources.h"
#include "platform/gnome/GnomeShellExtension.h"
#include "platform/gnome/GnomeShellKeyMonitor.h"
#include "platform/gnome/GnomeShellWorkspace.h"

#include "core/AppRule.h"
#include "core/RulesStore.h"

#include "KelvaroProcess.h"
#include "LogCapture.h"
#include "ServerProcess.h"
#include "TestRegistry.h"
#include "WaylandFramework.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/prctl.h>

using platform::GnomeShellExtension;
using State = platform::ShellExtension::State;

namespace {

// Opens the Shell's Eval, closed outside its unsafe mode, to the test.
constexpr char kTestExtension[] = R"(function init() {
    return {
        enable() { global.context.unsafe_mode = true; },
        disable() { global.context.unsafe_mode = false; },
    };
})";

// GNOME Shell 43 headless, its own Wayland compositor on a virtual monitor,
// with its own session bus, a stand-in system bus, and a home whose settings
// give it the input sources us and de. Kelvaro's extension is installed by
// Kelvaro's own installer and turned on, unless the test wants a Shell
// without it. The Shell runs in a mount namespace of its own where
// /run/systemd is empty: it then asks no logind for a seat.
class GnomeFramework : public WaylandFramework {
public:
    explicit GnomeFramework(bool withExtension = true)
        : WaylandFramework("gnome")
        , m_withExtension(withExtension)
    {
    }
    ~GnomeFramework() override
    {
        closeWindows();
        m_extension.reset();
        stopProcess(m_shell);
        m_connection.reset();
        QDBusConnection::disconnectFromBus(m_name);
    }

    bool start(QString* error) override
    {
        const QString extensions = extensionsFolder();
        bool installed = false;
        if (!write("config/glib-2.0/settings/keyfile",
                      "[org/gnome/desktop/input-sources]\nsources=[('xkb', 'us'), ('xkb', 'de')]\n\n[org/gnome/shell]\n"
                      "enabled-extensions=[" + QByteArray(m_withExtension ? "'kelvaro@kelvaro.app', " : "")
                          + "'kelvaro-test@kelvaro.app']\n")
            || !write("data/gnome-shell/extensions/kelvaro-test@kelvaro.app/metadata.json",
                      R"({"uuid": "kelvaro-test@kelvaro.app", "name": "Kelvaro's tests", "description": "Eval for tests",
                          "shell-version": ["43"]})")
            || !write("data/gnome-shell/extensions/kelvaro-test@kelvaro.app/extension.js", kTestExtension)) {
            *error = "cannot write the Shell's home";
            return false;
        }
        for (const QString appId : {"org.example.Editor", "org.example.Other", "org.example.Plain"}) {
            if (!write("data/applications/" + appId + ".desktop",
                       "[Desktop Entry]\nType=Application\nName=" + appId.toUtf8() + "\nExec=kelvaro_test_window\n"))
                return false;
        }
        if ((m_withExtension && !GnomeShellExtension::install(resources(), extensions, 43, &installed, error))
            || !m_bus.start(error) || !m_systemBus.start(error))
            return false;
        m_connection = std::make_unique<QDBusConnection>(QDBusConnection::connectToBus(m_bus.address(), m_name));
        return startShell(error);
    }

    bool startShell(QString* error)
    {
        QProcessEnvironment environment = programEnvironment();
        environment.remove("DISPLAY"), environment.remove("WAYLAND_DISPLAY");
        environment.insert("DBUS_SYSTEM_BUS_ADDRESS", m_systemBus.address());
        environment.insert("HOME", m_home.path());
        environment.insert("XDG_CONFIG_HOME", m_home.filePath("config"));
        environment.insert("XDG_DATA_HOME", m_home.filePath("data"));
        environment.insert("XDG_DATA_DIRS", "/usr/local/share:/usr/share");   // the Shell's schemas and its own files
        environment.insert("GSETTINGS_BACKEND", "keyfile");
        m_shell.setProcessEnvironment(environment);
        m_shell.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
        m_shell.setStandardOutputFile(m_home.filePath("shell.log"), QIODevice::Append);
        m_shell.setStandardErrorFile(m_home.filePath("shell.log"), QIODevice::Append);
        m_shell.start("unshare", {"-m", "sh", "-c",
                                  "if [ -d /run/systemd ]; then mount -t tmpfs tmpfs /run/systemd || exit 1; fi; "
                                  "exec gnome-shell --headless --wayland --no-x11 --virtual-monitor 1280x800 --wayland-display \"$0\"",
                                  m_socket});
        // The test's extension opens Eval last of all. The Shell starts in its
        // overview, where new windows take no focus: the desktop is shown, as
        // after a user's first click. The keyboard is made early, as its
        // first keys are lost while the Shell is still setting it up.
        const bool up = QTest::qWaitFor([&] {
            return m_shell.state() == QProcess::NotRunning
                || eval("Main.overview.hide(); global.kelvaroKeyboard ??= imports.gi.Clutter.get_default_backend()"
                        ".get_default_seat().create_virtual_device(imports.gi.Clutter.InputDeviceType.KEYBOARD_DEVICE);"
                        "!Main.layoutManager._startingUp && !Main.overview.visible") == "true";
        }, 20000);
        if (!up || m_shell.state() == QProcess::NotRunning) {
            QFile log(m_home.filePath("shell.log"));
            log.open(QIODevice::ReadOnly);
            *error = "GNOME Shell did not start: " + QString::fromUtf8(log.readAll().right(1500));
            return false;
        }
        return !m_withExtension || QTest::qWaitFor([&] {
            return m_connection->interface()->isServiceRegistered(GnomeShellExtension::service).value();
        }, 10000);
    }

    // Runs JavaScript in the Shell (imports.ui.main as Main); its result as a string, or none.
    std::optional<QString> eval(const QString& code)
    {
        QDBusMessage message = QDBusMessage::createMethodCall("org.gnome.Shell", "/org/gnome/Shell", "org.gnome.Shell", "Eval");
        message << "const Main = imports.ui.main; " + code;
        const QDBusMessage reply = m_connection->call(message, QDBus::Block, 5000);
        if (reply.type() != QDBusMessage::ReplyMessage || !reply.arguments().value(0).toBool())
            return std::nullopt;
        return reply.arguments().value(1).toString();
    }

    GnomeShellExtension& extension()
    {
        if (!m_extension)
            m_extension = std::make_unique<GnomeShellExtension>(*m_connection, resources(), extensionsFolder());
        return *m_extension;
    }
    QString extensionsFolder() const { return m_home.filePath("data/gnome-shell/extensions"); }

    std::unique_ptr<platform::TextInputSources> createBackend() override
    {
        return std::make_unique<platform::GnomeInputSources>(extension());
    }
    QList<std::pair<QString, QString>> expectedSources() const override
    {
        return {{"xkb:us::eng", "English (US)"}, {"xkb:de::deu", "German"}};
    }
    bool selectFromAnotherClient(const QString& id) override
    {
        return eval(QStringLiteral("imports.ui.status.keyboard.getInputSourceManager().inputSources[%1].activate(true), true")
                        .arg(id == "xkb:de::deu" ? 1 : 0)) == "true";
    }
    bool focusNewInputContext() override { return false; }
    bool kill() override { return m_shell.kill(), m_shell.waitForFinished(5000); }
    QString session() const override { return "gnome"; }
    std::unique_ptr<platform::Workspace> createWorkspace() override
    {
        return std::make_unique<platform::GnomeShellWorkspace>(extension());
    }
    bool activateApplication(const QString& appId) override
    {
        if (!openWindow(appId))
            return false;
        // Made active as a click on it would, by the Shell itself.
        return QTest::qWaitFor([&] {
            return eval(QStringLiteral("const w = global.get_window_actors().map(a => a.meta_window)"
                                       ".find(w => w.get_wm_class() === '%1'); w?.activate(global.get_current_time()); !!w")
                            .arg(appId)) == "true";
        }, 5000);
    }
    // Ctrl+Alt+P typed on a keyboard of the Shell's own.
    bool typePauseShortcut()
    {
        return eval("const C = imports.gi.Clutter; const k = global.kelvaroKeyboard;"
                    "const t = global.get_current_time() * 1000; const keys = [C.KEY_Control_L, C.KEY_Alt_L, C.KEY_p];"
                    "keys.forEach(key => k.notify_keyval(t, key, C.KeyState.PRESSED));"
                    "keys.reverse().forEach(key => k.notify_keyval(t, key, C.KeyState.RELEASED)); true") == "true";
    }

private:
    bool write(const QString& path, const QByteArray& contents)
    {
        QFile file(m_home.filePath(path));
        return QDir().mkpath(QFileInfo(file).path()) && file.open(QIODevice::WriteOnly) && file.write(contents) == contents.size();
    }
    static QString resources() { return ApplicationResources::directory() + "/gnome-shell"; }

    static inline int s_instances = 0;
    bool m_withExtension;
    QString m_name = QStringLiteral("gnome-framework-%1").arg(++s_instances);
    DBusSession m_systemBus;
    QProcess m_shell;
    std::unique_ptr<QDBusConnection> m_connection;
    std::unique_ptr<GnomeShellExtension> m_extension;
};

const bool registered = InputMethodFramework::add("gnome", [] { return std::make_unique<GnomeFramework>(); });

} // namespace

// What a GNOME session without Kelvaro's extension running asks of the user,
// and how Kelvaro follows once it runs; the extension's installation.
class GnomeShellExtensionTest : public QObject {
    Q_OBJECT
private slots:
    void aShellWithoutTheExtensionGetsItAndIsFollowedWhenItIsTurnedOn()
    {
        GnomeFramework framework(false);
        QString error;
        QVERIFY2(framework.start(&error), qPrintable(error));
        const LogCapture log;
        GnomeShellExtension& extension = framework.extension();
        platform::GnomeInputSources sources(extension);
        // Installed for the running Shell, which loads it at the next login only.
        QCOMPARE(extension.state(), State::NeedsLogin);
        QVERIFY(QFile::exists(framework.extensionsFolder() + "/kelvaro@kelvaro.app/service.js"));
        QVERIFY(log.errors().join('\n').contains("loads it at the next login"));
        QCOMPARE(sources.enabledInputSources(), std::nullopt);

        // The next login: the Shell knows it now, but the user has not turned it on.
        QVERIFY(framework.kill());
        QTRY_COMPARE(extension.state(), State::Failed);
        QVERIFY2(framework.startShell(&error), qPrintable(error));
        QTRY_COMPARE(extension.state(), State::NeedsEnabling);
        // Kelvaro, started now, switches nothing and says why; once the
        // extension is on, it switches for the application in front without
        // a restart.
        QVERIFY(RulesStore(RulesStore::defaultPath()).save({AppRule::create("org.example.Editor", "Editor", "xkb:de::deu")}, &error));
        QProcessEnvironment environment = framework.programEnvironment();
        environment.insert("KELVARO_BACKEND", "gnome");
        KelvaroProcess kelvaro(KelvaroProcess::besideThisProgram(), environment, KelvaroProcess::Errors::Keep);
        QVERIFY(kelvaro.start());
        QTRY_VERIFY(kelvaro.errorOutput().contains("extension is not running: it is turned off"));
        QVERIFY(framework.activateApplication("org.example.Editor"));
        platform::GnomeShellKeyMonitor monitor(extension);
        QSignalSpy presses(&monitor, &platform::KeyMonitor::keyPressed);
        QVERIFY(monitor.start());
        QVERIFY(extension.enable());
        QTRY_COMPARE_WITH_TIMEOUT(sources.currentKeyboardInputSource().value_or(platform::PlatformInputSource()).id,
                                  "xkb:de::deu", 10000);
        QVERIFY(framework.typePauseShortcut());
        QTRY_COMPARE(presses.size(), 1);
        const auto reported = presses[0][0].value<platform::KeyPress>();
        QCOMPARE(std::pair(reported.key, reported.modifiers), std::pair(platform::PhysicalKey::P, Qt::ControlModifier | Qt::AltModifier));
        // Stopped, the keys are the Shell's again.
        monitor.stop();
        QCOMPARE(framework.eval("Main.extensionManager.lookup('kelvaro@kelvaro.app').stateObj._service._shortcut"), "null");
    }

    // A copy as new as Kelvaro's or newer, made for the running Shell, is left alone.
    void installsWhenMissingOlderOrMadeForAnotherShell_data()
    {
        QTest::addColumn<QByteArray>("present");   // metadata.json in the user's folder
        QTest::addColumn<int>("shell");
        QTest::addColumn<bool>("installed");
        QTest::newRow("missing") << QByteArray() << 43 << true;
        QTest::newRow("damaged") << QByteArray("{\"version\": ") << 43 << true;
        QTest::newRow("older") << QByteArray(R"({"version": 0, "shell-version": ["43", "44"]})") << 43 << true;
        QTest::newRow("for GNOME 43-44 under 45") << QByteArray(R"({"version": 9, "shell-version": ["43", "44"]})") << 45 << true;
        QTest::newRow("newer, same Shell") << QByteArray(R"({"version": 999, "shell-version": ["43", "44"]})") << 44 << false;
    }
    void installsWhenMissingOlderOrMadeForAnotherShell()
    {
        QFETCH(QByteArray, present);
        QFETCH(int, shell);
        QFETCH(bool, installed);
        QTemporaryDir home;
        const QString folder = home.filePath("kelvaro@kelvaro.app");
        QFile metadata(folder + "/metadata.json");
        QVERIFY(present.isEmpty() || (QDir().mkpath(folder) && metadata.open(QIODevice::WriteOnly) && metadata.write(present)));
        metadata.close();
        bool written = false;
        QString error;
        QVERIFY2(GnomeShellExtension::install(ApplicationResources::directory() + "/gnome-shell", home.path(), shell, &written, &error),
                 qPrintable(error));
        QCOMPARE(written, installed);
        QVERIFY(!installed || QFile::exists(folder + "/service.js"));
    }
};

KELVARO_TEST(GnomeShellExtensionTest)
#include "GnomeFramework.moc"
