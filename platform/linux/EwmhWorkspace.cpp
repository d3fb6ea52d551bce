#include "platform/linux/EwmhWorkspace.h"

#include "platform/linux/DesktopEntryId.h"
#include "platform/linux/WindowApplication.h"
#include "platform/linux/XWindowIcon.h"

#include <QSet>
#include <QSysInfo>

#include <algorithm>
#include <array>

namespace platform {

namespace {

constexpr uint32_t kCachedWindowEvents = XCB_EVENT_MASK_STRUCTURE_NOTIFY | XCB_EVENT_MASK_PROPERTY_CHANGE;

// Properties a cached application is derived from; a change to any of them
// makes the window be read again.
constexpr std::array kIdentityProperties{
    "WM_CLASS", "WM_CLIENT_MACHINE", "_NET_WM_PID", "_GTK_APPLICATION_ID",
    "_KDE_NET_WM_DESKTOP_FILE", "_NET_WM_WINDOW_TYPE", "_NET_WM_STATE",
};

constexpr std::array kProhibitedWindowTypes{"_NET_WM_WINDOW_TYPE_DOCK", "_NET_WM_WINDOW_TYPE_DESKTOP"};
constexpr std::array kAccessoryWindowTypes{
    "_NET_WM_WINDOW_TYPE_UTILITY",       "_NET_WM_WINDOW_TYPE_TOOLBAR",
    "_NET_WM_WINDOW_TYPE_MENU",          "_NET_WM_WINDOW_TYPE_SPLASH",
    "_NET_WM_WINDOW_TYPE_NOTIFICATION",  "_NET_WM_WINDOW_TYPE_DROPDOWN_MENU",
    "_NET_WM_WINDOW_TYPE_POPUP_MENU",    "_NET_WM_WINDOW_TYPE_TOOLTIP",
    "_NET_WM_WINDOW_TYPE_COMBO",         "_NET_WM_WINDOW_TYPE_DND",
};
constexpr std::array kRegularWindowTypes{"_NET_WM_WINDOW_TYPE_NORMAL", "_NET_WM_WINDOW_TYPE_DIALOG"};

// The size of the window icon chosen among those a window offers.
constexpr int kWindowIconSize = 32;

template <std::size_t N>
bool isAnyOf(XConnection& connection, xcb_atom_t atom, const std::array<const char*, N>& names)
{
    return std::any_of(names.begin(), names.end(), [&](const char* name) { return connection.atom(name) == atom; });
}

std::optional<QString> nonEmpty(const std::optional<QString>& value)
{
    if (!value || value->trimmed().isEmpty())
        return std::nullopt;
    return value->trimmed();
}

bool isLocalHost(const QString& host)
{
    return host.compare(QSysInfo::machineHostName(), Qt::CaseInsensitive) == 0
        || host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0;
}

// The host the window's process runs on; empty for this host.
QString remoteHost(XConnection& connection, xcb_window_t window)
{
    const auto machine = nonEmpty(connection.stringProperty(window, XCB_ATOM_WM_CLIENT_MACHINE));
    if (!machine || isLocalHost(*machine))
        return {};
    return *machine;
}

ActivationPolicy activationPolicy(XConnection& connection, xcb_window_t window)
{
    // The types are listed in order of preference: the first one we know decides.
    const auto types = connection.cardinalListProperty(window, connection.atom("_NET_WM_WINDOW_TYPE"), XCB_ATOM_ATOM);
    for (const xcb_atom_t type : types) {
        if (isAnyOf(connection, type, kProhibitedWindowTypes))
            return ActivationPolicy::Prohibited;
        if (isAnyOf(connection, type, kAccessoryWindowTypes))
            return ActivationPolicy::Accessory;
        if (isAnyOf(connection, type, kRegularWindowTypes))
            break;
    }
    const auto states = connection.cardinalListProperty(window, connection.atom("_NET_WM_STATE"), XCB_ATOM_ATOM);
    if (states.contains(connection.atom("_NET_WM_STATE_SKIP_TASKBAR")))
        return ActivationPolicy::Accessory;
    return ActivationPolicy::Regular;
}

QImage windowIcon(XConnection& connection, xcb_window_t window)
{
    const auto value = connection.property(window, connection.atom("_NET_WM_ICON"), XCB_ATOM_CARDINAL,
                                           XWindowIcon::kMaxBytes);
    return value && value->format == 32 ? XWindowIcon::nearest(value->value, kWindowIconSize) : QImage();
}

} // namespace

EwmhWorkspace::EwmhWorkspace(XConnection& connection, QObject* parent)
    : DesktopEntryWorkspace(parent)
    , m_connection(connection)
{
    m_connection.addListener(this);
    m_connection.selectEvents(m_connection.rootWindow(), XCB_EVENT_MASK_PROPERTY_CHANGE);
    // Resolutions done with the old desktop entries may name the wrong application.
    m_desktopEntries.setChangeHandler([this] { m_applications.clear(); });
}

EwmhWorkspace::~EwmhWorkspace()
{
    m_connection.removeListener(this);
}

std::optional<RunningApplication> EwmhWorkspace::frontmostApplication()
{
    const auto window = m_connection.windowProperty(m_connection.rootWindow(), m_connection.atom("_NET_ACTIVE_WINDOW"));
    m_activeWindow = window.value_or(XCB_WINDOW_NONE);
    if (!window)
        return std::nullopt;
    return applicationForWindow(*window);
}

QList<RunningApplication> EwmhWorkspace::runningApplications()
{
    QList<RunningApplication> applications;
    const auto windows = m_connection.cardinalListProperty(m_connection.rootWindow(),
                                                           m_connection.atom("_NET_CLIENT_LIST"), XCB_ATOM_WINDOW);
    for (const xcb_window_t window : windows) {
        auto application = applicationForWindow(window);
        if (!application)
            continue;
        const auto listed = std::find_if(applications.begin(), applications.end(), [&](const RunningApplication& other) {
            return other.isSameApplication(*application);
        });
        // The icon is read here only, not kept: activations never wait for it.
        if (listed == applications.end()) {
            application->windowIcon = windowIcon(m_connection, window);
            applications.append(*application);
        } else if (listed->windowIcon.isNull()) {
            listed->windowIcon = windowIcon(m_connection, window);
        }
    }
    return applications;
}

std::optional<RunningApplication> EwmhWorkspace::applicationForWindow(xcb_window_t window)
{
    if (window == XCB_WINDOW_NONE)
        return std::nullopt;
    if (const auto cached = m_applications.constFind(window); cached != m_applications.cend())
        return *cached;
    // Watch the window before reading it, so that no change after the read
    // goes unnoticed; a window already gone is not cached at all.
    if (!m_connection.selectEvents(window, kCachedWindowEvents))
        return std::nullopt;
    const auto application = readApplication(window);
    m_applications.insert(window, application);
    return application;
}

std::optional<RunningApplication> EwmhWorkspace::readApplication(xcb_window_t window)
{
    const auto pid = m_connection.cardinalProperty(window, m_connection.atom("_NET_WM_PID"));
    const QStringList wmClass = m_connection.stringListProperty(window, XCB_ATOM_WM_CLASS).value_or(QStringList());
    const auto gtkApplicationId =
        nonEmpty(m_connection.stringProperty(window, m_connection.atom("_GTK_APPLICATION_ID")));
    const auto kdeDesktopFile = m_connection.stringProperty(window, m_connection.atom("_KDE_NET_WM_DESKTOP_FILE"));
    const auto kdeDesktopId = kdeDesktopFile ? DesktopEntryId::fromFileProperty(*kdeDesktopFile) : std::nullopt;
    const WindowIdentity identity{wmClass.value(0), wmClass.value(1), gtkApplicationId ? gtkApplicationId : kdeDesktopId};

    const bool hasPid = pid && *pid != 0;
    if (!hasPid && identity.isEmpty())
        return std::nullopt;

    const QString host = hasPid ? remoteHost(m_connection, window) : QString();
    const IdentityKey key = hasPid ? IdentityKey{QStringLiteral("process:%1:%2").arg(host).arg(*pid), pid}
                                   : IdentityKey{QStringLiteral("window:%1").arg(window), std::nullopt};
    const quint64 instance = instanceFor(window, key);
    RunningApplication application = hasPid ? RunningApplication::forProcess(*pid, host, instance)
                                            : RunningApplication::forWindow(window, instance);
    describeApplication(m_desktopEntries, identity, application);
    application.activationPolicy = activationPolicy(m_connection, window);
    return application;
}

void EwmhWorkspace::handleXEvent(const xcb_generic_event_t* event)
{
    switch (event->response_type & ~0x80) {
    case XCB_PROPERTY_NOTIFY: {
        const auto* notify = reinterpret_cast<const xcb_property_notify_event_t*>(event);
        if (notify->window == m_connection.rootWindow()) {
            if (notify->atom == m_connection.atom("_NET_ACTIVE_WINDOW")) {
                emit applicationActivated(frontmostApplication());
            } else if (notify->atom == m_connection.atom("_NET_CLIENT_LIST")) {
                const auto clients = m_connection.cardinalListProperty(
                    m_connection.rootWindow(), m_connection.atom("_NET_CLIENT_LIST"), XCB_ATOM_WINDOW);
                const QSet<xcb_window_t> running(clients.cbegin(), clients.cend());
                m_applications.removeIf([&](const auto& cached) { return !running.contains(cached.key()); });
            }
        } else if (isAnyOf(m_connection, notify->atom, kIdentityProperties)) {
            identityChanged(notify->window);
        }
        break;
    }
    case XCB_DESTROY_NOTIFY:
        forgetWindow(reinterpret_cast<const xcb_destroy_notify_event_t*>(event)->window);
        break;
    default:
        break;
    }
}

void EwmhWorkspace::identityChanged(xcb_window_t window)
{
    const std::optional<RunningApplication> before = m_applications.take(window);
    if (window != m_activeWindow || (m_identityCheck && m_identityCheck->window == window))
        return;
    // Looked at from the event loop: a window manager changes the state of
    // the window it deactivates just before it names the next one, and that
    // switch must not wait for this read.
    const bool scheduled = m_identityCheck.has_value();
    m_identityCheck = IdentityCheck{window, before};
    if (!scheduled)
        QMetaObject::invokeMethod(this, &EwmhWorkspace::checkActiveIdentity, Qt::QueuedConnection);
}

void EwmhWorkspace::checkActiveIdentity()
{
    const auto check = std::exchange(m_identityCheck, std::nullopt);
    if (!check || check->window != m_activeWindow)
        return;
    const auto after = applicationForWindow(check->window);
    if (after && (!check->before || check->before->bundleIdentifier != after->bundleIdentifier))
        emit applicationActivated(after);
}

quint64 EwmhWorkspace::instanceFor(xcb_window_t window, const IdentityKey& key)
{
    const IdentityKey previous = m_windowKeys.value(window);
    m_windowKeys.insert(window, key);
    if (!previous.key.isEmpty() && previous.key != key.key)
        forgetKeyIfUnused(previous);
    quint64& instance = m_instances[key.key];
    if (!instance)
        instance = ++m_lastInstance;
    return instance;
}

void EwmhWorkspace::forgetWindow(xcb_window_t window)
{
    m_applications.remove(window);
    if (const IdentityKey key = m_windowKeys.take(window); !key.key.isEmpty())
        forgetKeyIfUnused(key);
}

void EwmhWorkspace::forgetKeyIfUnused(const IdentityKey& key)
{
    for (const IdentityKey& other : std::as_const(m_windowKeys)) {
        if (other.key == key.key)
            return;
    }
    // The process may still show windows this side never read.
    if (key.pid && anyClientDeclaresPid(*key.pid))
        return;
    m_instances.remove(key.key);
}

bool EwmhWorkspace::anyClientDeclaresPid(quint32 pid)
{
    xcb_connection_t* c = m_connection.connection();
    const xcb_atom_t pidAtom = m_connection.atom("_NET_WM_PID");
    const auto clients =
        m_connection.cardinalListProperty(m_connection.rootWindow(), m_connection.atom("_NET_CLIENT_LIST"), XCB_ATOM_WINDOW);
    // All requests leave before the first reply is awaited: one round trip.
    QList<xcb_get_property_cookie_t> cookies;
    cookies.reserve(clients.size());
    for (const xcb_window_t client : clients)
        cookies.append(xcb_get_property(c, false, client, pidAtom, XCB_ATOM_CARDINAL, 0, 1));
    bool found = false;
    for (const xcb_get_property_cookie_t cookie : std::as_const(cookies)) {
        XcbReply<xcb_get_property_reply_t> reply(xcb_get_property_reply(c, cookie, nullptr));
        if (reply && reply->format == 32 && xcb_get_property_value_length(reply.get()) >= 4)
            found = found || *static_cast<const quint32*>(xcb_get_property_value(reply.get())) == pid;
    }
    return found;
}

} // namespace platform
