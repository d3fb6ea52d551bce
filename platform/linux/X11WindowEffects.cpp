#include "platform/linux/X11WindowEffects.h"

#include <QList>

namespace platform {

namespace {

const char* const blurBehindRegion = "_KDE_NET_WM_BLUR_BEHIND_REGION";

} // namespace

X11WindowEffects::X11WindowEffects(XConnection& connection)
    : m_connection(connection)
{
}

bool X11WindowEffects::isCompositing()
{
    const QByteArray selection = "_NET_WM_CM_S" + QByteArray::number(screenNumber());
    const xcb_atom_t atom = m_connection.atom(selection.constData());
    if (atom == XCB_ATOM_NONE)
        return false;
    xcb_connection_t* connection = m_connection.connection();
    const XcbReply<xcb_get_selection_owner_reply_t> owner(
        xcb_get_selection_owner_reply(connection, xcb_get_selection_owner(connection, atom), nullptr));
    return owner && owner->owner != XCB_WINDOW_NONE;
}

bool X11WindowEffects::isBlurSupported()
{
    // A leftover _NET_SUPPORTED of a compositor that has gone promises nothing.
    if (!isCompositing())
        return false;
    const xcb_atom_t blur = m_connection.atom(blurBehindRegion);
    if (blur == XCB_ATOM_NONE)
        return false;
    const QList<quint32> supported = m_connection.cardinalListProperty(
        m_connection.rootWindow(), m_connection.atom("_NET_SUPPORTED"), XCB_ATOM_ATOM);
    return supported.contains(blur);
}

bool X11WindowEffects::enableBlurBehind(WId window, const QRegion& region)
{
    const xcb_atom_t blur = m_connection.atom(blurBehindRegion);
    if (window == 0 || blur == XCB_ATOM_NONE)
        return false;
    QList<quint32> rectangles;
    for (const QRect& rectangle : region) {
        rectangles << quint32(rectangle.x()) << quint32(rectangle.y()) << quint32(rectangle.width())
                   << quint32(rectangle.height());
    }
    xcb_connection_t* connection = m_connection.connection();
    const auto cookie = xcb_change_property_checked(connection, XCB_PROP_MODE_REPLACE, xcb_window_t(window), blur,
                                                    XCB_ATOM_CARDINAL, 32, uint32_t(rectangles.size()),
                                                    rectangles.constData());
    const XcbReply<xcb_generic_error_t> error(xcb_request_check(connection, cookie));
    return !error;
}

// The connection keeps the root of its screen; its position in the setup's
// list of screens is the number that selection names carry.
int X11WindowEffects::screenNumber() const
{
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(m_connection.connection()));
    for (int number = 0; screens.rem > 0; ++number, xcb_screen_next(&screens)) {
        if (screens.data->root == m_connection.rootWindow())
            return number;
    }
    return 0;
}

} // namespace platform
