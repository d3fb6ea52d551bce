#include "XTestClient.h"

#include "platform/linux/XcbReply.h"
#include "platform/linux/XcbXkb.h"

#include <cstring>

using platform::XcbReply;

XTestClient::XTestClient(const QString& displayName)
{
    const QByteArray name = displayName.toLocal8Bit();
    int screenNumber = 0;
    m_connection = xcb_connect(name.constData(), &screenNumber);
    if (xcb_connection_has_error(m_connection))
        return;
    auto screens = xcb_setup_roots_iterator(xcb_get_setup(m_connection));
    for (int i = 0; i < screenNumber; ++i)
        xcb_screen_next(&screens);
    m_root = screens.data->root;

    auto cookie = xcb_xkb_use_extension(m_connection, XCB_XKB_MAJOR_VERSION, XCB_XKB_MINOR_VERSION);
    XcbReply<xcb_xkb_use_extension_reply_t> reply(xcb_xkb_use_extension_reply(m_connection, cookie, nullptr));
    m_xkbReady = reply && reply->supported;
}

XTestClient::~XTestClient()
{
    xcb_disconnect(m_connection);
}

bool XTestClient::isConnected() const
{
    return xcb_connection_has_error(m_connection) == 0;
}

xcb_atom_t XTestClient::atom(const char* name)
{
    auto cookie = xcb_intern_atom(m_connection, 0, uint16_t(strlen(name)), name);
    XcbReply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(m_connection, cookie, nullptr));
    return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

void XTestClient::sync()
{
    XcbReply<xcb_get_input_focus_reply_t> reply(
        xcb_get_input_focus_reply(m_connection, xcb_get_input_focus(m_connection), nullptr));
}

xcb_window_t XTestClient::createWindow(const WindowProperties& properties)
{
    const xcb_window_t window = xcb_generate_id(m_connection);
    xcb_create_window(m_connection, XCB_COPY_FROM_PARENT, window, m_root, 0, 0, 100, 100, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, 0, nullptr);
    if (properties.wmClassInstance || properties.wmClassClass) {
        const QByteArray value = properties.wmClassInstance.value_or(QString()).toUtf8() + '\0'
            + properties.wmClassClass.value_or(QString()).toUtf8() + '\0';
        setStringProperty(window, "WM_CLASS", value, "STRING");
    }
    if (properties.pid) {
        const quint32 pid = *properties.pid;
        xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, window, atom("_NET_WM_PID"), XCB_ATOM_CARDINAL,
                            32, 1, &pid);
    }
    if (properties.gtkApplicationId)
        setStringProperty(window, "_GTK_APPLICATION_ID", properties.gtkApplicationId->toUtf8());
    if (properties.kdeDesktopFile)
        setStringProperty(window, "_KDE_NET_WM_DESKTOP_FILE", properties.kdeDesktopFile->toUtf8());
    sync();
    return window;
}

void XTestClient::destroyWindow(xcb_window_t window)
{
    xcb_destroy_window(m_connection, window);
    sync();
}

void XTestClient::setActiveWindow(xcb_window_t window)
{
    xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, m_root, atom("_NET_ACTIVE_WINDOW"), XCB_ATOM_WINDOW,
                        32, 1, &window);
    sync();
}

void XTestClient::setClientList(const QList<xcb_window_t>& windows)
{
    xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, m_root, atom("_NET_CLIENT_LIST"), XCB_ATOM_WINDOW,
                        32, uint32_t(windows.size()), windows.constData());
    sync();
}

void XTestClient::setStringProperty(xcb_window_t window, const char* property, const QByteArray& value,
                                    const char* type)
{
    const xcb_atom_t typeAtom = qstrcmp(type, "STRING") == 0 ? xcb_atom_t(XCB_ATOM_STRING) : atom(type);
    xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, window, atom(property), typeAtom, 8,
                        uint32_t(value.size()), value.constData());
    sync();
}

void XTestClient::deleteProperty(xcb_window_t window, const char* property)
{
    xcb_delete_property(m_connection, window, atom(property));
    sync();
}

QList<xcb_window_t> XTestClient::viewableTopLevelWindows()
{
    QList<xcb_window_t> windows;
    XcbReply<xcb_query_tree_reply_t> tree(xcb_query_tree_reply(m_connection, xcb_query_tree(m_connection, m_root), nullptr));
    if (!tree)
        return windows;
    const xcb_window_t* children = xcb_query_tree_children(tree.get());
    for (int i = 0; i < xcb_query_tree_children_length(tree.get()); ++i) {
        XcbReply<xcb_get_window_attributes_reply_t> attributes(xcb_get_window_attributes_reply(
            m_connection, xcb_get_window_attributes(m_connection, children[i]), nullptr));
        if (attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE)
            windows.append(children[i]);
    }
    return windows;
}

std::optional<QByteArray> XTestClient::byteProperty(xcb_window_t window, const char* property)
{
    auto cookie = xcb_get_property(m_connection, 0, window, atom(property), XCB_GET_PROPERTY_TYPE_ANY, 0, 1024);
    XcbReply<xcb_get_property_reply_t> reply(xcb_get_property_reply(m_connection, cookie, nullptr));
    if (!reply || reply->type == XCB_ATOM_NONE || reply->format != 8)
        return std::nullopt;
    return QByteArray(static_cast<const char*>(xcb_get_property_value(reply.get())),
                      xcb_get_property_value_length(reply.get()));
}

std::optional<QRect> XTestClient::viewableRootGeometry(xcb_window_t window)
{
    XcbReply<xcb_get_window_attributes_reply_t> attributes(
        xcb_get_window_attributes_reply(m_connection, xcb_get_window_attributes(m_connection, window), nullptr));
    if (!attributes || attributes->map_state != XCB_MAP_STATE_VIEWABLE)
        return std::nullopt;
    XcbReply<xcb_get_geometry_reply_t> geometry(
        xcb_get_geometry_reply(m_connection, xcb_get_geometry(m_connection, window), nullptr));
    XcbReply<xcb_translate_coordinates_reply_t> origin(xcb_translate_coordinates_reply(
        m_connection, xcb_translate_coordinates(m_connection, window, m_root, 0, 0), nullptr));
    if (!geometry || !origin)
        return std::nullopt;
    return QRect(origin->dst_x, origin->dst_y, geometry->width, geometry->height);
}

xcb_window_t XTestClient::inputFocus()
{
    XcbReply<xcb_get_input_focus_reply_t> reply(
        xcb_get_input_focus_reply(m_connection, xcb_get_input_focus(m_connection), nullptr));
    return reply ? reply->focus : xcb_window_t(XCB_WINDOW_NONE);
}

bool XTestClient::lockGroup(int group)
{
    if (!m_xkbReady)
        return false;
    auto cookie = xcb_xkb_latch_lock_state_checked(m_connection, XCB_XKB_ID_USE_CORE_KBD, 0, 0, 1,
                                                   uint8_t(group), 0, 0, 0);
    XcbReply<xcb_generic_error_t> error(xcb_request_check(m_connection, cookie));
    return !error;
}

std::optional<int> XTestClient::lockedGroup()
{
    if (!m_xkbReady)
        return std::nullopt;
    XcbReply<xcb_xkb_get_state_reply_t> reply(xcb_xkb_get_state_reply(
        m_connection, xcb_xkb_get_state(m_connection, XCB_XKB_ID_USE_CORE_KBD), nullptr));
    if (!reply)
        return std::nullopt;
    return int(reply->lockedGroup);
}
