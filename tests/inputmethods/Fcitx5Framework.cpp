#include "platform/linux/Fcitx5InputSources.h"

#include "InputMethodFramework.h"
#include "ServerProcess.h"
#include "TestEnvironment.h"
#include "XvfbServer.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/prctl.h>

namespace {

const QString kService = QStringLiteral("org.fcitx.Fcitx5");

// fcitx5's profile: one group, US English then German.
constexpr char kProfile[] = R"([Groups/0]
Name=Default
Default Layout=us
DefaultIM=keyboard-us

[Groups/0/Items/0]
Name=keyboard-us
Layout=

[Groups/0/Items/1]
Name=keyboard-de
Layout=

[GroupOrder]
0=Default
)";

// Without this the xcb addon would load a keymap of its own into the test's
// X server at each switch, and the XKB row would find it there.
constexpr char kXcbConfig[] = "Allow Overriding System XKB Settings=False\n";

// One (key, value) pair of CreateInputContext's "a(ss)" argument.
struct ContextHint {
    QString key;
    QString value;
};

QDBusArgument& operator<<(QDBusArgument& argument, const ContextHint& hint)
{
    argument.beginStructure();
    argument << hint.key << hint.value;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, ContextHint& hint)
{
    argument.beginStructure();
    argument >> hint.key >> hint.value;
    argument.endStructure();
    return argument;
}

} // namespace

Q_DECLARE_METATYPE(ContextHint)

namespace {

bool writeFile(const QString& path, const QByteArray& content)
{
    QFile file(path);
    return QDir().mkpath(QFileInfo(path).path()) && file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}

QDBusMessage controllerCall(const QString& method, const QVariantList& arguments = {})
{
    QDBusMessage message = QDBusMessage::createMethodCall(kService, QStringLiteral("/controller"),
                                                          QStringLiteral("org.fcitx.Fcitx.Controller1"), method);
    message.setArguments(arguments);
    // The bus would start a daemon of its own (with the default profile)
    // for a call made before ours owns the name.
    message.setAutoStartService(false);
    return message;
}

// An fcitx5 daemon of the test's own, on its X display and session bus,
// with a profile of its own. Its clients (the "toolkit" holding input
// contexts, the other client) have connections of their own, as separate
// programs would.
class Fcitx5Framework : public InputMethodFramework {
public:
    Fcitx5Framework()
        : m_name(QStringLiteral("fcitx5-framework-%1").arg(++s_instances))
    {
        qDBusRegisterMetaType<ContextHint>();
        qDBusRegisterMetaType<QList<ContextHint>>();
    }

    ~Fcitx5Framework() override
    {
        QDBusConnection::disconnectFromBus(m_name + "-toolkit");
        QDBusConnection::disconnectFromBus(m_name + "-other");
        // fcitx5 answers SIGTERM with a backtrace on standard error; asked, it ends quietly.
        if (m_daemon.state() == QProcess::Running)
            controller().call(controllerCall("Exit")), m_daemon.waitForFinished(5000);
        stopProcess(m_daemon);
    }

    bool start(QString* error) override
    {
        const QString config = m_home.filePath("config");
        if (!m_home.isValid() || !writeFile(config + "/fcitx5/profile", kProfile)
            || !writeFile(config + "/fcitx5/conf/xcb.conf", kXcbConfig)) {
            *error = "cannot write fcitx5's profile";
            return false;
        }
        // The bus may not yet have released the name of the daemon a test before ended.
        for (QDeadlineTimer released(5000);
             controller().interface()->isServiceRegistered(kService) && !released.hasExpired();)
            QTest::qWait(20);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("HOME", m_home.path());
        environment.insert("XDG_CONFIG_HOME", config);
        environment.insert("DISPLAY", TestEnvironment::current().xServer()->displayName());
        m_daemon.setProcessEnvironment(environment);
        m_daemon.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_daemon.setStandardOutputFile(QProcess::nullDevice());
        m_daemon.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
        // Only what the test needs: the X display, keyboard layouts and the D-Bus interfaces.
        m_daemon.start("fcitx5", {"-D", "--verbose", "*=2", "--disable", "all",
                                  "--enable", "xcb,keyboard,dbus,dbusfrontend"});
        // The current input method is the focused input context's, and fcitx5
        // has one once its input methods are loaded, a moment after its name.
        for (QDeadlineTimer ready(10000); !ready.hasExpired() && m_daemon.state() != QProcess::NotRunning;
             QTest::qWait(50)) {
            if (focusNewInputContext()
                && controller().call(controllerCall("CurrentInputMethod")).arguments().value(0) == "keyboard-us")
                return true;
        }
        *error = "fcitx5 did not start: " + m_daemon.errorString();
        return false;
    }

    std::unique_ptr<platform::TextInputSources> createBackend() override
    {
        QString error;
        auto backend = platform::Fcitx5InputSources::connect(QDBusConnection::sessionBus(), &error);
        if (!backend)
            qWarning("%s", qPrintable(error));
        return backend;
    }

    QList<std::pair<QString, QString>> expectedSources() const override
    {
        return {{"keyboard-us", "Keyboard - English (US)"}, {"keyboard-de", "Keyboard - German"}};
    }

    bool selectFromAnotherClient(const QString& id) override
    {
        QDBusConnection other = QDBusConnection::connectToBus(QDBusConnection::SessionBus, m_name + "-other");
        return other.call(controllerCall("SetCurrentIM", {id})).type() == QDBusMessage::ReplyMessage;
    }

    // What a toolkit's input module does for a new window.
    bool focusNewInputContext() override
    {
        QDBusMessage create = QDBusMessage::createMethodCall(kService, "/org/freedesktop/portal/inputmethod",
                                                             "org.fcitx.Fcitx.InputMethod1", "CreateInputContext");
        create.setAutoStartService(false);
        create << QVariant::fromValue(QList<ContextHint>{{"program", "kelvaro-test"}, {"display", "x11:"}});
        const QDBusMessage created = toolkit().call(create);
        const QString path = created.arguments().value(0).value<QDBusObjectPath>().path();
        if (path.isEmpty())
            return false;
        // Input contexts end with the connection that made them, which stays open.
        QDBusMessage focus =
            QDBusMessage::createMethodCall(kService, path, "org.fcitx.Fcitx.InputContext1", "FocusIn");
        focus.setAutoStartService(false);
        return toolkit().call(focus).type() == QDBusMessage::ReplyMessage;
    }

    bool kill() override
    {
        if (m_daemon.state() != QProcess::Running)
            return false;
        ::kill(pid_t(m_daemon.processId()), SIGKILL);
        return m_daemon.waitForFinished(5000);
    }

private:
    QDBusConnection controller() const { return QDBusConnection::sessionBus(); }
    QDBusConnection toolkit() const
    {
        return QDBusConnection::connectToBus(QDBusConnection::SessionBus, m_name + "-toolkit");
    }
    static inline int s_instances = 0;
    const QString m_name;
    QTemporaryDir m_home{TestEnvironment::current().root() + "/fcitx5-XXXXXX"};
    QProcess m_daemon;
};

const bool registered = InputMethodFramework::add("fcitx5", [] { return std::make_unique<Fcitx5Framework>(); });

} // namespace
