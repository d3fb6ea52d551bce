#include "platform/ApplicationResources.h"
#include "platform/kde/KGlobalAccelKeyMonitor.h"
#include "platform/kde/KWinScript.h"
#include "platform/kde/KWinScriptWorkspace.h"
#include "platform/kde/KdeKeyboardLayouts.h"

#include "ServerProcess.h"
#include "TestRegistry.h"
#include "WaylandFramework.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTest>

#include <csignal>
#include <sys/prctl.h>

namespace {

// KWin 5.27 on a virtual output, with its own session bus, runtime folder and
// configuration (layouts us, de): org.kde.keyboard and the scripting service
// of a Plasma Wayland session, and Qt windows on its Wayland socket.
class KdeFramework : public WaylandFramework {
public:
    KdeFramework() : WaylandFramework("kde") {}
    ~KdeFramework() override
    {
        closeWindows();
        stopProcess(m_kwin);
        m_activation.reset(), m_connection.reset();
        QDBusConnection::disconnectFromBus(m_name);
        QDBusConnection::disconnectFromBus(m_name + "-other");
    }

    bool start(QString* error) override
    {
        const QString kwin = m_home.filePath("bin/kwin_wayland");   // KWin checks its own file name
        // The packaged binary carries file capabilities, which root may not use: a plain copy does.
        if (!QDir().mkpath(m_home.filePath("bin")) || !QFile::copy("/usr/bin/kwin_wayland", kwin)) {
            *error = "cannot copy /usr/bin/kwin_wayland (is kwin-wayland installed?)";
            return false;
        }
        QDir().mkpath(m_home.filePath("config"));
        QFile kxkbrc(m_home.filePath("config/kxkbrc"));
        if (!kxkbrc.open(QIODevice::WriteOnly) || !kxkbrc.write("[Layout]\nLayoutList=us,de\nUse=true\n") || !m_bus.start(error))
            return false;
        kxkbrc.close();
        m_kwin.setProcessEnvironment(kwinEnvironment());
        m_kwin.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
        m_kwin.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_kwin.start(kwin, {"--virtual", "--no-lockscreen", "--socket", m_socket});
        m_connection = std::make_unique<QDBusConnection>(QDBusConnection::connectToBus(m_bus.address(), m_name));
        if (!QTest::qWaitFor([&] { return m_connection->interface()->isServiceRegistered("org.kde.keyboard").value(); }, 20000)) {
            *error = "KWin did not offer org.kde.keyboard: " + m_kwin.errorString();
            return false;
        }
        return true;
    }
    std::unique_ptr<platform::TextInputSources> createBackend() override
    {
        return std::make_unique<platform::KdeKeyboardLayouts>(*m_connection);
    }
    QList<std::pair<QString, QString>> expectedSources() const override
    {
        return {{"xkb:us::eng", "English (US)"}, {"xkb:de::deu", "German"}};
    }
    bool selectFromAnotherClient(const QString& id) override
    {
        QDBusMessage message = QDBusMessage::createMethodCall("org.kde.keyboard", "/Layouts", "org.kde.KeyboardLayouts", "setLayout");
        message << uint(id == "xkb:de::deu" ? 1 : 0);
        const QDBusMessage reply = QDBusConnection::connectToBus(m_bus.address(), m_name + "-other").call(message);
        return reply.arguments().value(0).toBool();
    }
    QDBusConnection& bus() { return *m_connection; }
    bool focusNewInputContext() override { return false; }
    bool kill() override { return m_kwin.kill(), m_kwin.waitForFinished(5000); }
    QString session() const override { return "kde"; }
    // The test plays the program, whose bus name the script calls.
    std::unique_ptr<platform::Workspace> createWorkspace() override
    {
        m_connection->registerService(platform::KWinScriptWorkspace::callbackService);
        return std::make_unique<platform::KWinScriptWorkspace>(
            *m_connection, ApplicationResources::pathForResource(ApplicationResources::directory(), "kelvaro-kwin", "js"));
    }
    bool activateApplication(const QString& appId) override
    {
        if (!openWindow(appId))
            return false;
        // Made active as a click on it would: by KWin itself, also when the window only now appears.
        const QString script = m_home.filePath(QStringLiteral("activate-%1.js").arg(++m_activations));
        QFile file(script);
        if (!file.open(QIODevice::WriteOnly))
            return false;
        file.write(QStringLiteral("function pick(w) { if (w.desktopFileName != '%1') return;"
                                  " if (workspace.windowList) workspace.activeWindow = w; else workspace.activeClient = w; }"
                                  "(workspace.windowList ? workspace.windowList() : workspace.clientList()).forEach(pick);"
                                  "(workspace.windowAdded || workspace.clientAdded).connect(pick);").arg(appId).toUtf8());
        file.close();
        m_activation.reset();
        m_activation = std::make_unique<platform::KWinScript>(*m_connection, script, QStringLiteral("activate-%1").arg(m_activations));
        return m_activation->isLoaded();
    }

private:
    QProcessEnvironment kwinEnvironment() const
    {
        QProcessEnvironment environment = programEnvironment();
        environment.remove("DISPLAY"), environment.remove("WAYLAND_DISPLAY");
        environment.insert("XDG_CONFIG_HOME", m_home.filePath("config"));
        environment.insert("KWIN_COMPOSE", "Q");   // no GPU: QPainter
        return environment;
    }

    static inline int s_instances = 0;
    QString m_name = QStringLiteral("kde-framework-%1").arg(++s_instances);
    QProcess m_kwin;
    std::unique_ptr<QDBusConnection> m_connection;
    std::unique_ptr<platform::KWinScript> m_activation;
    int m_activations = 0;
};

const bool registered = InputMethodFramework::add("kde", [] { return std::make_unique<KdeFramework>(); });

} // namespace

// The pause shortcut in KWin's global shortcut service, and its presses.
class KGlobalAccelKeyMonitorTest : public QObject {
    Q_OBJECT
private slots:
    void registersThePauseShortcutAndReportsItsPresses()
    {
        KdeFramework framework;
        QString error;
        QVERIFY2(framework.start(&error), qPrintable(error));
        platform::KGlobalAccelKeyMonitor monitor(framework.bus());
        QVERIFY(monitor.start());
        QSignalSpy presses(&monitor, &platform::KeyMonitor::keyPressed);
        const auto call = [&](const QString& path, const QString& interface, const QString& method, const QVariant& argument) {
            QDBusMessage message = QDBusMessage::createMethodCall("org.kde.kglobalaccel", path, interface, method);
            return framework.bus().call(message << argument).arguments().value(0);
        };
        // Listed with its keys, as Plasma's shortcut settings show it.
        const QVariant keys = call("/kglobalaccel", "org.kde.KGlobalAccel", "shortcut",
                                   QStringList{"kelvaro", "toggle-pause", "Kelvaro", "Pause Switching"});
        QCOMPARE(qdbus_cast<QList<int>>(keys), QList<int>{(Qt::CTRL | Qt::ALT | Qt::Key_P).toCombined()});
        const auto press = [&] { call("/component/kelvaro", "org.kde.kglobalaccel.Component", "invokeShortcut", "toggle-pause"); };
        press();
        QTRY_COMPARE(presses.size(), 1);
        const auto reported = presses[0][0].value<platform::KeyPress>();
        QCOMPARE(reported.key, platform::PhysicalKey::P);
        QCOMPARE(reported.modifiers, Qt::ControlModifier | Qt::AltModifier);
        monitor.stop();
        press();
        QTest::qWait(300);
        QCOMPARE(presses.size(), 1);
    }
};

KELVARO_TEST(KGlobalAccelKeyMonitorTest)
#include "KdeFramework.moc"
