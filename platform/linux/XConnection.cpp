#include "platform/linux/XConnection.h"

#include "platform/PlatformLog.h"
#include "platform/linux/XTextProperty.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QSocketNotifier>
#include <QThread>

namespace platform {

std::unique_ptr<XConnection> XConnection::open(const QString& displayName, QString* error)
{
    const QByteArray name = displayName.toLocal8Bit();
    int screenNumber = 0;
    xcb_connection_t* connection = xcb_connect(name.isEmpty() ? nullptr : name.constData(), &screenNumber);
    if (const int code = xcb_connection_has_error(connection); code != 0) {
        xcb_disconnect(connection);
        if (error) {
            const QString shown = displayName.isEmpty() ? qEnvironmentVariable("DISPLAY") : displayName;
            *error = shown.isEmpty()
                ? QStringLiteral("No X display: DISPLAY is not set")
                : QStringLiteral("Cannot connect to the X display \"%1\" (xcb error %2)").arg(shown).arg(code);
        }
        return nullptr;
    }
    return std::unique_ptr<XConnection>(new XConnection(connection, screenNumber));
}

XConnection::XConnection(xcb_connection_t* connection, int screenNumber)
    : m_connection(connection)
{
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(connection));
    for (int i = 0; i < screenNumber && screens.rem > 0; ++i)
        xcb_screen_next(&screens);
    if (screens.rem > 0)
        m_root = screens.data->root;

    m_notifier = new QSocketNotifier(xcb_get_file_descriptor(connection), QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &XConnection::readEvents);

    // A round trip can leave events in XCB's queue without the socket becoming
    // readable again; hand them out before the event loop goes to sleep.
    if (auto* dispatcher = QAbstractEventDispatcher::instance(thread()))
        connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this, &XConnection::dispatchQueuedEvents);
}

XConnection::~XConnection()
{
    delete m_notifier;
    xcb_disconnect(m_connection);
}

bool XConnection::hasError() const
{
    return xcb_connection_has_error(m_connection) != 0;
}

xcb_atom_t XConnection::atom(const char* name)
{
    const QByteArray key(name);
    if (auto found = m_atoms.constFind(key); found != m_atoms.cend())
        return *found;
    const auto cookie = xcb_intern_atom(m_connection, 0, static_cast<uint16_t>(key.size()), name);
    XcbReply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(m_connection, cookie, nullptr));
    if (!reply)
        return XCB_ATOM_NONE;
    m_atoms.insert(key, reply->atom);
    return reply->atom;
}

std::optional<XProperty> XConnection::property(xcb_window_t window, xcb_atom_t property, xcb_atom_t type,
                                               quint32 maxBytes)
{
    if (window == XCB_WINDOW_NONE || property == XCB_ATOM_NONE)
        return std::nullopt;
    const auto cookie = xcb_get_property(m_connection, 0, window, property, type, 0, (maxBytes + 3) / 4);
    XcbReply<xcb_get_property_reply_t> reply(xcb_get_property_reply(m_connection, cookie, nullptr));
    if (!reply || reply->type == XCB_ATOM_NONE)
        return std::nullopt;
    if (type != XCB_ATOM_ANY && reply->type != type)
        return std::nullopt;
    const int length = xcb_get_property_value_length(reply.get());
    XProperty result;
    result.type = reply->type;
    result.format = reply->format;
    result.value = QByteArray(static_cast<const char*>(xcb_get_property_value(reply.get())), length);
    return result;
}

QList<quint32> XConnection::cardinalListProperty(xcb_window_t window, xcb_atom_t property, xcb_atom_t type)
{
    QList<quint32> values;
    const auto value = this->property(window, property, type);
    if (!value || value->format != 32)
        return values;
    const auto* data = reinterpret_cast<const quint32*>(value->value.constData());
    const qsizetype count = value->value.size() / qsizetype(sizeof(quint32));
    values.reserve(count);
    for (qsizetype i = 0; i < count; ++i)
        values.append(data[i]);
    return values;
}

std::optional<quint32> XConnection::cardinalProperty(xcb_window_t window, xcb_atom_t property)
{
    const auto values = cardinalListProperty(window, property, XCB_ATOM_CARDINAL);
    if (values.isEmpty())
        return std::nullopt;
    return values.first();
}

std::optional<xcb_window_t> XConnection::windowProperty(xcb_window_t window, xcb_atom_t property)
{
    const auto values = cardinalListProperty(window, property, XCB_ATOM_WINDOW);
    if (values.isEmpty())
        return std::nullopt;
    return values.first();
}

std::optional<QStringList> XConnection::stringListProperty(xcb_window_t window, xcb_atom_t property)
{
    const auto value = this->property(window, property);
    if (!value || value->format != 8)
        return std::nullopt;
    return XTextProperty::pieces(value->value, value->type == XCB_ATOM_STRING);
}

std::optional<QString> XConnection::stringProperty(xcb_window_t window, xcb_atom_t property)
{
    const auto pieces = stringListProperty(window, property);
    if (!pieces || pieces->isEmpty())
        return std::nullopt;
    return pieces->first();
}

bool XConnection::selectEvents(xcb_window_t window, uint32_t events)
{
    const XcbReply<xcb_get_window_attributes_reply_t> attributes(
        xcb_get_window_attributes_reply(m_connection, xcb_get_window_attributes(m_connection, window), nullptr));
    if (!attributes)
        return false;
    const uint32_t mask = attributes->your_event_mask | events;
    if (mask == attributes->your_event_mask)
        return true;
    const XcbReply<xcb_generic_error_t> error(xcb_request_check(
        m_connection, xcb_change_window_attributes_checked(m_connection, window, XCB_CW_EVENT_MASK, &mask)));
    return !error;
}

void XConnection::addListener(XEventListener* listener)
{
    if (!m_listeners.contains(listener))
        m_listeners.append(listener);
}

void XConnection::removeListener(XEventListener* listener)
{
    m_listeners.removeAll(listener);
}

void XConnection::flush()
{
    xcb_flush(m_connection);
}

void XConnection::readEvents()
{
    while (XcbReply<xcb_generic_event_t> event{xcb_poll_for_event(m_connection)})
        dispatch(event.get());
    checkConnection();
}

void XConnection::dispatchQueuedEvents()
{
    while (XcbReply<xcb_generic_event_t> event{xcb_poll_for_queued_event(m_connection)})
        dispatch(event.get());
    checkConnection();
}

void XConnection::dispatch(const xcb_generic_event_t* event)
{
    // Errors of requests nobody checks (a window vanishing while we read its
    // properties, say) arrive as events of type 0; they need no handling.
    if (event->response_type == 0)
        return;
    // A listener may remove itself while handling the event.
    const auto listeners = m_listeners;
    for (XEventListener* listener : listeners) {
        if (m_listeners.contains(listener))
            listener->handleXEvent(event);
    }
}

void XConnection::checkConnection()
{
    if (m_lost || !hasError())
        return;
    m_lost = true;
    m_notifier->setEnabled(false);
    logError(QStringLiteral("Lost the connection to the X server; Kelvaro ends"));
    emit connectionLost();
}

} // namespace platform
