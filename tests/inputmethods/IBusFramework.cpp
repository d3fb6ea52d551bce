#include "IBusFramework.h"

#include "platform/linux/IBusInputSources.h"

#include "TestEnvironment.h"

#define G_SETTINGS_ENABLE_BACKEND
#pragma push_macro("signals")
#undef signals
#include <gio/gsettingsbackend.h>
#include <ibus.h>
#pragma pop_macro("signals")

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QSet>
#include <QTest>

#include <csignal>
#include <sys/prctl.h>
#include <unistd.h>

namespace {

using platform::GObjectPtr;

constexpr char kSettingsSchema[] = "org.freedesktop.ibus.general";
constexpr char kIBus[] = "org.freedesktop.IBus";
constexpr char kIBusPath[] = "/org/freedesktop/IBus";
constexpr char kInputContext[] = "org.freedesktop.IBus.InputContext";
const QStringList kEngines = {"xkb:us::eng", "xkb:de::deu"};

struct GVariantUnref {
    void operator()(GVariant* variant) const { g_variant_unref(variant); }
};
using GVariantPtr = std::unique_ptr<GVariant, GVariantUnref>;

// A method call on the daemon's bus; the reply, or nothing with *error set.
GVariantPtr call(GDBusConnection* connection, const char* destination, const char* path, const char* interface,
                 const char* method, GVariant* parameters, QString* error, int timeoutMs = 5000)
{
    GError* callError = nullptr;
    GVariantPtr reply(g_dbus_connection_call_sync(connection, destination, path, interface, method, parameters,
                                                  nullptr, G_DBUS_CALL_FLAGS_NONE, timeoutMs, nullptr, &callError));
    if (!reply) {
        *error = QStringLiteral("%1 failed: %2").arg(QLatin1String(method), QString::fromUtf8(callError->message));
        g_error_free(callError);
    }
    return reply;
}

GObjectPtr<GDBusConnection> connectTo(const QString& address, QString* error)
{
    GError* connectError = nullptr;
    GDBusConnection* connection = g_dbus_connection_new_for_address_sync(
        address.toUtf8().constData(),
        GDBusConnectionFlags(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT
                             | G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
        nullptr, nullptr, &connectError);
    if (!connection) {
        *error = QStringLiteral("cannot connect to IBus at %1: %2")
                     .arg(address, QString::fromUtf8(connectError->message));
        g_error_free(connectError);
    }
    return GObjectPtr<GDBusConnection>(connection);
}

const bool registered = InputMethodFramework::add("ibus", [] { return std::make_unique<IBusFramework>(); });

} // namespace

// The panel: IBus's panel interface on a connection of its own, the daemon
// telling it of each focus change.
class PerWindowPanel {
public:
    bool start(const QString& address, QString* error)
    {
        m_connection = connectTo(address, error);
        if (!m_connection)
            return false;
        m_service.reset(IBUS_PANEL_SERVICE(g_object_ref_sink(ibus_panel_service_new(m_connection.get()))));
        auto focusIn = +[](IBusPanelService*, const char* path, gpointer self) {
            static_cast<PerWindowPanel*>(self)->focusIn(QString::fromUtf8(path));
        };
        g_signal_connect(m_service.get(), "focus-in", G_CALLBACK(focusIn), this);
        // The daemon tells the panel of focus changes once it owns the panel's name.
        const guint32 flags = IBUS_BUS_NAME_FLAG_REPLACE_EXISTING | IBUS_BUS_NAME_FLAG_DO_NOT_QUEUE;
        return bool(call(m_connection.get(), "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
                         "RequestName", g_variant_new("(su)", IBUS_SERVICE_PANEL, flags), error));
    }
    ~PerWindowPanel()
    {
        if (m_service)
            g_signal_handlers_disconnect_by_data(m_service.get(), this);
        m_service.reset();
        if (m_connection)
            g_dbus_connection_close_sync(m_connection.get(), nullptr, nullptr);
    }

private:
    void focusIn(const QString& inputContext)
    {
        // The daemon's own context, focused whenever no window's is.
        if (inputContext.endsWith(QLatin1String("/InputContext_1")) || m_seen.contains(inputContext))
            return;
        m_seen.insert(inputContext);
        auto done = +[](GObject*, GAsyncResult*, gpointer switches) { ++*static_cast<int*>(switches); };
        g_dbus_connection_call(m_connection.get(), kIBus, kIBusPath, kIBus, "SetGlobalEngine",
                               g_variant_new("(s)", kEngines.first().toUtf8().constData()), nullptr,
                               G_DBUS_CALL_FLAGS_NONE, -1, nullptr, done, m_switches.get());
    }

public:
    // How many contexts the panel has given their engine so far.
    int switches() const { return *m_switches; }

private:
    // Apart, so that a reply after the panel is gone still has somewhere to count.
    std::shared_ptr<int> m_switches = std::make_shared<int>(0);

    GObjectPtr<GDBusConnection> m_connection;
    GObjectPtr<IBusPanelService> m_service;
    QSet<QString> m_seen;
};

namespace {

bool useKeyfileSettings(QString* error)
{
    // Both are read once, at GSettings' first use in the process.
    qputenv("GSETTINGS_BACKEND", "keyfile");
    if (qEnvironmentVariableIsEmpty("GSETTINGS_SCHEMA_DIR"))
        qputenv("GSETTINGS_SCHEMA_DIR", KELVARO_GSETTINGS_SCHEMAS);
    GSettingsBackend* backend = g_settings_backend_get_default();
    const QString type = QString::fromUtf8(G_OBJECT_TYPE_NAME(backend));
    g_object_unref(backend);
    if (type != QLatin1String("GKeyfileSettingsBackend")) {
        *error = QStringLiteral("GSettings chose its %1 before the IBus framework started").arg(type);
        return false;
    }
    GSettingsSchemaSource* schemas = g_settings_schema_source_get_default();
    GSettingsSchema* schema = schemas ? g_settings_schema_source_lookup(schemas, kSettingsSchema, TRUE) : nullptr;
    if (!schema) {
        *error = QStringLiteral("no GSettings schema %1").arg(QLatin1String(kSettingsSchema));
        return false;
    }
    g_settings_schema_unref(schema);
    return true;
}

} // namespace

IBusFramework::IBusFramework() = default;

IBusFramework::~IBusFramework()
{
    stop();
}

bool IBusFramework::start(QString* error)
{
    stop();
    if (!useKeyfileSettings(error) || !setPreloadEngines(kEngines) || !startDaemon(error))
        return false;
    m_client = connectTo(m_address, error);
    if (!m_client)
        return false;
    // The first switch starts the engines' component, so it may take a while.
    if (!call(m_client.get(), kIBus, kIBusPath, kIBus, "SetGlobalEngine",
              g_variant_new("(s)", kEngines.first().toUtf8().constData()), error, 20000))
        return false;
    m_panel = std::make_unique<PerWindowPanel>();
    return m_panel->start(m_address, error);
}

std::unique_ptr<platform::TextInputSources> IBusFramework::createBackend()
{
    QString error;
    auto backend = platform::IBusInputSources::connect(&error);
    if (!backend)
        qWarning("The IBus backend does not connect: %s", qPrintable(error));
    return backend;
}

QList<std::pair<QString, QString>> IBusFramework::expectedSources() const
{
    // The long names of IBus's simple component (`ibus list-engine`).
    return {{kEngines[0], "English (US)"}, {kEngines[1], "German"}};
}

bool IBusFramework::selectFromAnotherClient(const QString& id)
{
    QString error;
    const bool done = bool(call(m_client.get(), kIBus, kIBusPath, kIBus, "SetGlobalEngine",
                                g_variant_new("(s)", id.toUtf8().constData()), &error));
    if (!done)
        qWarning("%s", qPrintable(error));
    return done;
}

// As a toolkit's input module does for a new window: a context of its own on
// IBus's bus, told what it can do, then focused.
bool IBusFramework::focusNewInputContext()
{
    QString error;
    const GVariantPtr created = call(m_client.get(), kIBus, kIBusPath, kIBus, "CreateInputContext",
                                     g_variant_new("(s)", "kelvaro-test"), &error);
    if (!created) {
        qWarning("%s", qPrintable(error));
        return false;
    }
    const char* path = nullptr;
    g_variant_get(created.get(), "(&o)", &path);
    const guint32 capabilities = IBUS_CAP_PREEDIT_TEXT | IBUS_CAP_FOCUS | IBUS_CAP_SURROUNDING_TEXT;
    const int switches = m_panel->switches();
    const bool focused =
        call(m_client.get(), kIBus, path, kInputContext, "SetCapabilities", g_variant_new("(u)", capabilities), &error)
        && call(m_client.get(), kIBus, path, kInputContext, "FocusIn", nullptr, &error);
    if (!focused)
        qWarning("%s", qPrintable(error));
    // As a window's focus is: done once the panel has given the context its engine.
    return focused && QTest::qWaitFor([&] { return m_panel->switches() > switches; }, 5000);
}

bool IBusFramework::kill()
{
    if (m_daemon.state() == QProcess::NotRunning)
        return false;
    ::kill(m_pid, SIGKILL);
    return m_daemon.waitForFinished(5000);
}

bool IBusFramework::setPreloadEngines(const QStringList& engines)
{
    GObjectPtr<GSettings> settings(g_settings_new(kSettingsSchema));
    QByteArrayList utf8;
    std::vector<const char*> names;
    for (const QString& engine : engines)
        utf8.append(engine.toUtf8());
    for (const QByteArray& engine : utf8)
        names.push_back(engine.constData());
    names.push_back(nullptr);
    // "use global engine" off is what the panel acts on.
    const bool written = g_settings_set_strv(settings.get(), "preload-engines", names.data())
        && g_settings_set_boolean(settings.get(), "use-global-engine", false);
    g_settings_sync();
    return written;
}

bool IBusFramework::startDaemon(QString* error)
{
    m_daemon.setProcessChannelMode(QProcess::MergedChannels);
    // Its own process group, so that its engines end with it; and it ends
    // with a test program that ends abruptly.
    m_daemon.setChildProcessModifier([] {
        ::setpgid(0, 0);
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    });
    m_daemon.start("ibus-daemon", {"--panel=disable", "--emoji-extension=disable", "--config=disable"});
    if (!m_daemon.waitForStarted(5000)) {
        *error = QStringLiteral("cannot start ibus-daemon: %1").arg(m_daemon.errorString());
        return false;
    }
    m_pid = pid_t(m_daemon.processId());
    // The daemon tells its address in a file named after the machine and the
    // display, with its process id.
    const QString file = QString::fromUtf8(ibus_get_socket_path());
    const QByteArray pidLine = "IBUS_DAEMON_PID=" + QByteArray::number(m_pid);
    const QDeadlineTimer deadline(20000);
    while (!deadline.hasExpired() && m_daemon.state() == QProcess::Running) {
        QFile bus(file);
        if (bus.open(QIODevice::ReadOnly)) {
            const QList<QByteArray> lines = bus.readAll().split('\n');
            if (lines.contains(pidLine)) {
                for (const QByteArray& line : lines) {
                    if (line.startsWith("IBUS_ADDRESS="))
                        m_address = QString::fromUtf8(line.mid(int(qstrlen("IBUS_ADDRESS="))));
                }
                if (!m_address.isEmpty())
                    return true;
            }
        }
        m_daemon.waitForFinished(20);
    }
    *error = QStringLiteral("ibus-daemon wrote no address to %1: %2")
                 .arg(file, QString::fromLocal8Bit(m_daemon.readAll()));
    return false;
}

void IBusFramework::stop()
{
    m_panel.reset();
    if (m_client)
        g_dbus_connection_close_sync(m_client.get(), nullptr, nullptr);
    m_client.reset();
    if (m_pid > 0) {
        // The daemon and what it started (the engines' component).
        ::kill(-m_pid, SIGKILL);
        m_daemon.waitForFinished(5000);
        m_pid = 0;
    }
    m_address.clear();
}
