#include "XTestClient.h"

#include "platform/linux/XcbXkb.h"

using platform::XcbReply;

XTestClient::XTestClient(const QString& displayName)
    : m_x(platform::XConnection::open(displayName, nullptr))
{
    QString whyNot;
    if (m_x)
        platform::useXkbExtension(connection(), &whyNot);   // else the XKB requests below fail
}

void XTestClient::sync()
{
    inputFocus();   // any round trip
}

xcb_window_t XTestClient::createWindow(const WindowProperties& properties)
{
    const xcb_window_t window = xcb_generate_id(connection());
    xcb_create_window(connection(), XCB_COPY_FROM_PARENT, window, root(), 0, 0, 100, 100, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, 0, nullptr);
    if (properties.wmClassInstance || properties.wmClassClass) {
        const QByteArray value = properties.wmClassInstance.value_or(QString()).toUtf8() + '\0'
            + properties.wmClassClass.value_or(QString()).toUtf8() + '\0';
        setStringProperty(window, "WM_CLASS", value, "STRING");
    }
    if (properties.pid) {
        xcb_change_property(connection(), XCB_PROP_MODE_REPLACE, window, atom("_NET_WM_PID"), XCB_ATOM_CARDINAL,
                            32, 1, &properties.pid.value());
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
    xcb_destroy_window(connection(), window);
    sync();
}

void XTestClient::setActiveWindow(xcb_window_t window)
{
    xcb_change_property(connection(), XCB_PROP_MODE_REPLACE, root(), atom("_NET_ACTIVE_WINDOW"), XCB_ATOM_WINDOW,
                        32, 1, &window);
    sync();
}

void XTestClient::setClientList(const QList<xcb_window_t>& windows)
{
    xcb_change_property(connection(), XCB_PROP_MODE_REPLACE, root(), atom("_NET_CLIENT_LIST"), XCB_ATOM_WINDOW,
                        32, uint32_t(windows.size()), windows.constData());
    sync();
}

void XTestClient::setStringProperty(xcb_window_t window, const char* property, const QByteArray& value,
                                    const char* type)
{
    const xcb_atom_t typeAtom = qstrcmp(type, "STRING") == 0 ? xcb_atom_t(XCB_ATOM_STRING) : atom(type);
    xcb_change_property(connection(), XCB_PROP_MODE_REPLACE, window, atom(property), typeAtom, 8,
                        uint32_t(value.size()), value.constData());
    sync();
}

void XTestClient::deleteProperty(xcb_window_t window, const char* property)
{
    xcb_delete_property(connection(), window, atom(property));
    sync();
}

QList<xcb_window_t> XTestClient::viewableTopLevelWindows()
{
    QList<xcb_window_t> windows;
    const XcbReply<xcb_query_tree_reply_t> tree(
        xcb_query_tree_reply(connection(), xcb_query_tree(connection(), root()), nullptr));
    const xcb_window_t* children = tree ? xcb_query_tree_children(tree.get()) : nullptr;
    for (int i = 0; tree && i < xcb_query_tree_children_length(tree.get()); ++i) {
        const auto attributes = windowAttributes(children[i]);
        if (attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE)
            windows.append(children[i]);
    }
    return windows;
}

std::optional<QByteArray> XTestClient::byteProperty(xcb_window_t window, const char* property)
{
    const auto value = m_x->property(window, atom(property));
    return value && value->format == 8 ? std::optional(value->value) : std::nullopt;
}

std::optional<QRect> XTestClient::viewableRootGeometry(xcb_window_t window)
{
    const auto attributes = windowAttributes(window);
    if (!attributes || attributes->map_state != XCB_MAP_STATE_VIEWABLE)
        return std::nullopt;
    const XcbReply<xcb_get_geometry_reply_t> geometry(
        xcb_get_geometry_reply(connection(), xcb_get_geometry(connection(), window), nullptr));
    const XcbReply<xcb_translate_coordinates_reply_t> origin(xcb_translate_coordinates_reply(
        connection(), xcb_translate_coordinates(connection(), window, root(), 0, 0), nullptr));
    if (!geometry || !origin)
        return std::nullopt;
    return QRect(origin->dst_x, origin->dst_y, geometry->width, geometry->height);
}

XcbReply<xcb_get_window_attributes_reply_t> XTestClient::windowAttributes(xcb_window_t window)
{
    return XcbReply<xcb_get_window_attributes_reply_t>(
        xcb_get_window_attributes_reply(connection(), xcb_get_window_attributes(connection(), window), nullptr));
}

xcb_window_t XTestClient::inputFocus()
{
    const XcbReply<xcb_get_input_focus_reply_t> reply(
        xcb_get_input_focus_reply(connection(), xcb_get_input_focus(connection()), nullptr));
    return reply ? reply->focus : xcb_window_t(XCB_WINDOW_NONE);
}

bool XTestClient::lockGroup(int group)
{
    const auto cookie =
        xcb_xkb_latch_lock_state_checked(connection(), XCB_XKB_ID_USE_CORE_KBD, 0, 0, 1, uint8_t(group), 0, 0, 0);
    const XcbReply<xcb_generic_error_t> error(xcb_request_check(connection(), cookie));
    return !error;
}

std::optional<int> XTestClient::lockedGroup()
{
    const XcbReply<xcb_xkb_get_state_reply_t> reply(
        xcb_xkb_get_state_reply(connection(), xcb_xkb_get_state(connection(), XCB_XKB_ID_USE_CORE_KBD), nullptr));
    return reply ? std::optional(int(reply->lockedGroup)) : std::nullopt;
}
