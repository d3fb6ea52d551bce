#include "platform/linux/IBusInputSources.h"

#include "platform/PlatformLog.h"

#pragma push_macro("signals")
#undef signals
#include <ibus.h>
#pragma pop_macro("signals")

#include <QAbstractEventDispatcher>
#include <QMutex>
#include <QUrl>

#include <algorithm>
#include <vector>

namespace platform {

namespace {

constexpr char kSettingsSchema[] = "org.freedesktop.ibus.general";
constexpr char kPreloadKey[] = "preload-engines";
constexpr char kIBusInterface[] = "org.freedesktop.IBus";
constexpr char kPanelInterface[] = "org.freedesktop.IBus.Panel";
// Every signal of the daemon, and a copy of each focus change it tells the panel.
constexpr char kSignalRule[] = "type='signal',interface='org.freedesktop.IBus'";
constexpr char kFocusRule[] = "type='method_call',interface='org.freedesktop.IBus.Panel',member='FocusIn'";
// Reads answer at once; a switch is answered once the engine runs, which
// may first start its component (a process), hence the longer wait.
constexpr int kReadTimeoutMs = 2000;
constexpr int kSelectTimeoutMs = 5000;

struct GErrorFree {
    void operator()(GError* error) const { g_error_free(error); }
};
using GErrorPtr = std::unique_ptr<GError, GErrorFree>;

struct GVariantUnref {
    void operator()(GVariant* variant) const { g_variant_unref(variant); }
};
using GVariantPtr = std::unique_ptr<GVariant, GVariantUnref>;

QString errorText(const GErrorPtr& error)
{
    if (!error)
        return QStringLiteral("no answer");
    // The remote error's D-Bus name says nothing a person can use.
    g_dbus_error_strip_remote_error(error.get());
    return QString::fromUtf8(error->message);
}

} // namespace

// The focus calls and signals reach the backend through a filter on the
// bus's connection: the copies of Panel FocusIn calls must be dropped there,
// or GDBus would answer each with an error that the daemon passes on to the
// panel. Filters run on GDBus's worker thread and may still run after
// g_dbus_connection_remove_filter() returns, so a filter knows its backend
// only through a token looked up here, under the lock that the backend
// takes to leave. Passing everything through one filter also keeps focus
// changes and engine changes in the order the daemon sent them.
struct IBusFocusFilter {
    static QMutex& mutex()
    {
        static QMutex lock;
        return lock;
    }
    static QHash<quintptr, IBusInputSources*>& targets()
    {
        static QHash<quintptr, IBusInputSources*> map;
        return map;
    }
    static quintptr add(IBusInputSources* target)
    {
        static quintptr lastToken = 0;
        const QMutexLocker locker(&mutex());
        targets().insert(++lastToken, target);
        return lastToken;
    }
    static void remove(quintptr token)
    {
        const QMutexLocker locker(&mutex());
        targets().remove(token);
    }

    // Runs on the main thread, in the order the messages came.
    template <typename Function>
    static void post(gpointer token, Function function)
    {
        const QMutexLocker locker(&mutex());
        IBusInputSources* target = targets().value(quintptr(token));
        if (target)
            QMetaObject::invokeMethod(target, [target, function] { function(*target); }, Qt::QueuedConnection);
    }

    static GDBusMessage* filter(GDBusConnection*, GDBusMessage* message, gboolean incoming, gpointer token)
    {
        if (!incoming)
            return message;
        const GDBusMessageType type = g_dbus_message_get_message_type(message);
        const char* interface = g_dbus_message_get_interface(message);
        const char* member = g_dbus_message_get_member(message);
        GVariant* body = g_dbus_message_get_body(message);
        if (type == G_DBUS_MESSAGE_TYPE_METHOD_CALL && g_strcmp0(interface, kPanelInterface) == 0
            && g_strcmp0(member, "FocusIn") == 0) {
            QString inputContext;
            if (body && g_variant_is_of_type(body, G_VARIANT_TYPE("(o)"))) {
                const char* path = nullptr;
                g_variant_get(body, "(&o)", &path);
                inputContext = QString::fromUtf8(path);
            }
            post(token, [inputContext](IBusInputSources& target) { target.handleFocusIn(inputContext); });
            g_object_unref(message);
            return nullptr;
        }
        if (type == G_DBUS_MESSAGE_TYPE_SIGNAL && g_strcmp0(interface, kIBusInterface) == 0) {
            if (g_strcmp0(member, "GlobalEngineChanged") == 0 && body
                && g_variant_is_of_type(body, G_VARIANT_TYPE("(s)"))) {
                const char* name = nullptr;
                g_variant_get(body, "(&s)", &name);
                const QString engine = QString::fromUtf8(name);
                post(token, [engine](IBusInputSources& target) { target.handleGlobalEngineChanged(engine); });
            } else if (g_strcmp0(member, "RegistryChanged") == 0) {
                post(token, [](IBusInputSources& target) { target.handleRegistryChanged(); });
            }
        }
        return message;
    }
};

std::unique_ptr<IBusInputSources> IBusInputSources::connect(QString* error)
{
    // IBus's notices are GLib signals, dispatched by GLib's main loop, which
    // is Qt's unless QT_NO_GLIB is set.
    const QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance();
    if (!dispatcher || !dispatcher->inherits("QEventDispatcherGlib")) {
        *error = QStringLiteral("Qt's event loop is not GLib's (is QT_NO_GLIB set?), so IBus's notices would not "
                                "arrive");
        return nullptr;
    }
    // GSettings aborts the process on a schema it cannot find, so look first.
    GSettingsSchemaSource* schemas = g_settings_schema_source_get_default();
    GSettingsSchema* schema = schemas ? g_settings_schema_source_lookup(schemas, kSettingsSchema, TRUE) : nullptr;
    if (!schema) {
        *error = QStringLiteral("IBus's settings schema %1 is not installed").arg(QLatin1String(kSettingsSchema));
        return nullptr;
    }
    g_settings_schema_unref(schema);

    ibus_init();
    IBusBus* bus = ibus_bus_new();
    if (!ibus_bus_is_connected(bus)) {
        g_object_unref(bus);
        const char* address = ibus_get_address();
        *error = address ? QStringLiteral("No IBus daemon answers at %1").arg(QString::fromUtf8(address))
                         : QStringLiteral("No IBus daemon runs (IBUS_ADDRESS is not set and %1 names no live daemon)")
                               .arg(QString::fromUtf8(ibus_get_socket_path()));
        return nullptr;
    }
    std::unique_ptr<IBusInputSources> backend(new IBusInputSources(bus, g_settings_new(kSettingsSchema)));
    if (!backend->watchConnection(error))
        return nullptr;
    backend->m_announcedEngine = backend->globalEngine().value_or(Engine{}).name;
    return backend;
}

IBusInputSources::IBusInputSources(IBusBus* bus, GSettings* settings)
    : m_bus(bus)
    , m_settings(settings)
{
    g_signal_connect(m_bus, "connected", G_CALLBACK(+[](IBusBus*, gpointer self) {
                         static_cast<IBusInputSources*>(self)->handleConnected();
                     }),
                     this);
    g_signal_connect(m_bus, "disconnected", G_CALLBACK(+[](IBusBus*, gpointer self) {
                         static_cast<IBusInputSources*>(self)->handleDisconnected();
                     }),
                     this);
    g_signal_connect(m_settings.get(), "changed::preload-engines", G_CALLBACK(+[](GSettings*, char*, gpointer self) {
                         static_cast<IBusInputSources*>(self)->handlePreloadChanged();
                     }),
                     this);
    // GSettings sends change notices only for keys that have been read.
    g_strfreev(g_settings_get_strv(m_settings.get(), kPreloadKey));
}

IBusInputSources::~IBusInputSources()
{
    unwatchConnection();
    g_signal_handlers_disconnect_by_data(m_settings.get(), this);
    g_signal_handlers_disconnect_by_data(m_bus, this);
    g_object_unref(m_bus);
}

bool IBusInputSources::isConnected() const
{
    return ibus_bus_is_connected(m_bus);
}

bool IBusInputSources::watchConnection(QString* error)
{
    unwatchConnection();
    GDBusConnection* connection = ibus_bus_get_connection(m_bus);
    if (!connection) {
        *error = QStringLiteral("the IBus daemon went away");
        return false;
    }
    m_filterToken = IBusFocusFilter::add(this);
    m_watchedConnection.reset(G_DBUS_CONNECTION(g_object_ref(connection)));
    m_filterId = g_dbus_connection_add_filter(connection, &IBusFocusFilter::filter,
                                              reinterpret_cast<gpointer>(m_filterToken), nullptr);
    // The daemon's own bus: its org.freedesktop.DBus keeps the match rules.
    for (const char* rule : {kSignalRule, kFocusRule}) {
        GError* callError = nullptr;
        GVariantPtr reply(g_dbus_connection_call_sync(connection, "org.freedesktop.DBus", "/org/freedesktop/DBus",
                                                      "org.freedesktop.DBus", "AddMatch", g_variant_new("(s)", rule),
                                                      nullptr, G_DBUS_CALL_FLAGS_NONE, kReadTimeoutMs, nullptr,
                                                      &callError));
        if (!reply) {
            *error = QStringLiteral("The IBus daemon does not answer: %1").arg(errorText(GErrorPtr(callError)));
            return false;
        }
    }
    return true;
}

void IBusInputSources::unwatchConnection()
{
    if (m_filterToken)
        IBusFocusFilter::remove(m_filterToken);
    if (m_watchedConnection && m_filterId)
        g_dbus_connection_remove_filter(m_watchedConnection.get(), m_filterId);
    m_filterToken = 0;
    m_filterId = 0;
    m_watchedConnection.reset();
}

void IBusInputSources::handleConnected()
{
    QString error;
    m_described.reset();
    m_hold.reset();
    if (!watchConnection(&error)) {
        reportFailure(error);
        return;
    }
    qCInfo(lcPlatform, "The IBus daemon answers again");
    reportSuccess();
    notifyChange();
}

void IBusInputSources::handleDisconnected()
{
    unwatchConnection();
    m_described.reset();
    m_hold.reset();
    reportFailure(goneMessage());
    notifyChange();
}

void IBusInputSources::handleFocusIn(const QString& inputContext)
{
    // The daemon's own context (the first it makes, when it starts) takes the
    // focus whenever no window's context has it: that is no window coming
    // to the front.
    if (!inputContext.endsWith(QLatin1String("/InputContext_1")))
        m_sinceFocusIn.start();
    if (m_hold && m_hold->until.hasExpired())
        m_hold.reset();
    if (m_hold)
        m_hold->focusMoved = true;
}

void IBusInputSources::handleGlobalEngineChanged(const QString& engine)
{
    if (m_hold && m_hold->until.hasExpired())
        m_hold.reset();
    if (m_hold && engine != m_hold->engine) {
        if (!m_hold->focusMoved) {
            // Not a focus change: another client chose; its choice stands.
            m_hold.reset();
        } else {
            m_hold->focusMoved = false;
            qCInfo(lcPlatform, "IBus switched to %s as an input context took the focus; selecting %s again",
                   qUtf8Printable(engine), qUtf8Printable(m_hold->engine));
            // Put back at once: listeners need not hear of the engine undone.
            if (setGlobalEngine(m_hold->engine))
                return;
        }
    }
    if (engine == m_announcedEngine)
        return;
    m_announcedEngine = engine;
    emit selectedInputSourceChanged();
}

void IBusInputSources::handleRegistryChanged()
{
    m_described.reset();
    notifyChange();
}

void IBusInputSources::handlePreloadChanged()
{
    notifyChange();
}

void IBusInputSources::notifyChange()
{
    m_announcedEngine.reset();
    emit selectedInputSourceChanged();
}

QString IBusInputSources::goneMessage()
{
    return QStringLiteral("The IBus daemon went away; input sources cannot be listed or selected until it is back");
}

void IBusInputSources::callFailed(const QString& what, GError* error)
{
    const GErrorPtr owned(error);
    // A call that finds the connection closed comes before the bus's own
    // notice of it: it is the same news.
    GDBusConnection* connection = ibus_bus_get_connection(m_bus);
    if (!connection || g_dbus_connection_is_closed(connection)
        || (owned && g_error_matches(owned.get(), G_IO_ERROR, G_IO_ERROR_CLOSED)))
        reportFailure(goneMessage());
    else
        reportFailure(QStringLiteral("%1: %2").arg(what, errorText(owned)));
}

void IBusInputSources::reportFailure(const QString& message)
{
    if (m_failureReported)
        return;
    m_failureReported = true;
    logError(message);
}

std::optional<QList<IBusInputSources::Engine>> IBusInputSources::describe(const QStringList& names)
{
    if (m_described && m_described->first == names)
        return m_described->second;
    if (!isConnected())
        return std::nullopt;
    QByteArrayList utf8;
    std::vector<const char*> pointers;
    for (const QString& name : names)
        utf8.append(name.toUtf8());
    for (const QByteArray& name : utf8)
        pointers.push_back(name.constData());
    pointers.push_back(nullptr);
    GError* callError = nullptr;
    GVariantPtr reply(g_dbus_connection_call_sync(
        ibus_bus_get_connection(m_bus), kIBusInterface, "/org/freedesktop/IBus", kIBusInterface, "GetEnginesByNames",
        g_variant_new("(^as)", pointers.data()), G_VARIANT_TYPE("(av)"),
        G_DBUS_CALL_FLAGS_NONE, kReadTimeoutMs, nullptr, &callError));
    if (!reply) {
        callFailed(QStringLiteral("IBus does not describe its engines"), callError);
        return std::nullopt;
    }
    reportSuccess();

    QHash<QString, Engine> known;
    GVariantPtr descriptions(g_variant_get_child_value(reply.get(), 0));
    const gsize count = g_variant_n_children(descriptions.get());
    for (gsize i = 0; i < count; ++i) {
        GVariantPtr boxed(g_variant_get_child_value(descriptions.get(), i));
        if (const std::optional<Engine> engine = engineOf(boxed.get()))
            known.insert(engine->name, *engine);
    }
    // In the list's order, each once; names IBus does not know are left out.
    QList<Engine> engines;
    QStringList seen;
    for (const QString& name : names) {
        if (known.contains(name) && !seen.contains(name)) {
            engines.append(known.value(name));
            seen.append(name);
        }
    }
    m_described = {names, engines};
    return engines;
}

std::optional<IBusInputSources::Engine> IBusInputSources::globalEngine()
{
    if (!isConnected())
        return std::nullopt;
    GError* callError = nullptr;
    GVariantPtr reply(g_dbus_connection_call_sync(
        ibus_bus_get_connection(m_bus), kIBusInterface, "/org/freedesktop/IBus", "org.freedesktop.DBus.Properties",
        "Get", g_variant_new("(ss)", kIBusInterface, "GlobalEngine"), G_VARIANT_TYPE("(v)"), G_DBUS_CALL_FLAGS_NONE,
        kReadTimeoutMs, nullptr, &callError));
    if (!reply) {
        // A daemon just started has no engine yet: not a failure.
        if (g_dbus_error_is_remote_error(callError))
            g_error_free(callError);
        else
            callFailed(QStringLiteral("IBus does not tell its global engine"), callError);
        return std::nullopt;
    }
    reportSuccess();
    GVariantPtr boxed(g_variant_get_child_value(reply.get(), 0));
    return engineOf(boxed.get());
}

std::optional<IBusInputSources::Engine> IBusInputSources::engineOf(GVariant* boxed)
{
    GVariantPtr serialized(g_variant_get_variant(boxed));
    IBusSerializable* object = ibus_serializable_deserialize(serialized.get());
    if (!object)
        return std::nullopt;
    std::optional<Engine> engine;
    if (IBUS_IS_ENGINE_DESC(object)) {
        IBusEngineDesc* desc = IBUS_ENGINE_DESC(object);
        engine = Engine{QString::fromUtf8(ibus_engine_desc_get_name(desc)),
                        QString::fromUtf8(ibus_engine_desc_get_longname(desc)),
                        QString::fromUtf8(ibus_engine_desc_get_icon(desc))};
    }
    g_object_unref(object);
    return engine;
}

bool IBusInputSources::setGlobalEngine(const QString& name)
{
    if (!isConnected())
        return false;
    GError* callError = nullptr;
    GVariantPtr reply(g_dbus_connection_call_sync(ibus_bus_get_connection(m_bus), kIBusInterface,
                                                  "/org/freedesktop/IBus", kIBusInterface, "SetGlobalEngine",
                                                  g_variant_new("(s)", name.toUtf8().constData()), nullptr,
                                                  G_DBUS_CALL_FLAGS_NONE, kSelectTimeoutMs, nullptr, &callError));
    if (!reply) {
        if (g_dbus_error_is_remote_error(callError))
            logError(QStringLiteral("IBus refused to switch to %1: %2").arg(name, errorText(GErrorPtr(callError))));
        else
            callFailed(QStringLiteral("IBus did not switch to %1").arg(name), callError);
        return false;
    }
    reportSuccess();
    return true;
}

PlatformInputSource IBusInputSources::entry(const Engine& engine, int index) const
{
    PlatformInputSource source;
    source.isSelectCapable = true;
    source.id = engine.name;
    if (!engine.longName.isEmpty())
        source.localizedName = engine.longName;
    // An engine's icon is a file or an icon theme name; only a file is a URL.
    if (engine.icon.startsWith(QLatin1Char('/')))
        source.iconUrl = QUrl::fromLocalFile(engine.icon);
    source.handle = index;
    return source;
}

std::optional<QList<PlatformInputSource>> IBusInputSources::enabledInputSources()
{
    if (!isConnected())
        return std::nullopt;
    QStringList names;
    gchar** preload = g_settings_get_strv(m_settings.get(), kPreloadKey);
    for (gchar** name = preload; name && *name; ++name)
        names.append(QString::fromUtf8(*name));
    g_strfreev(preload);

    const auto engines = describe(names);
    if (!engines)
        return std::nullopt;
    QList<PlatformInputSource> sources;
    sources.reserve(engines->size());
    for (qsizetype i = 0; i < engines->size(); ++i)
        sources.append(entry(engines->at(i), int(i)));
    return sources;
}

std::optional<PlatformInputSource> IBusInputSources::currentKeyboardInputSource()
{
    const auto engine = globalEngine();
    if (!engine)
        return std::nullopt;
    // The entry of the list when it is listed; another client may also
    // have chosen an engine that is not.
    if (const auto sources = enabledInputSources()) {
        for (const PlatformInputSource& source : *sources) {
            if (source.id == engine->name)
                return source;
        }
    }
    return entry(*engine, -1);
}

int IBusInputSources::selectInputSource(const PlatformInputSource& source)
{
    const auto sources = enabledInputSources();
    if (!sources)
        return kStatusFailed;
    const bool listed = source.id && std::any_of(sources->begin(), sources->end(), [&](const PlatformInputSource& s) {
                            return s.id == source.id;
                        });
    if (!listed)
        return kStatusNotFound;
    if (!setGlobalEngine(*source.id))
        return kStatusFailed;
    const bool focusJustMoved = m_sinceFocusIn.isValid() && m_sinceFocusIn.elapsed() < kHoldMs;
    m_hold = Hold{*source.id, QDeadlineTimer(kHoldMs), focusJustMoved};
    return kStatusOk;
}

} // namespace platform
