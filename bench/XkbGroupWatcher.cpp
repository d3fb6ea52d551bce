#include "XkbGroupWatcher.h"

#include "platform/linux/XcbReply.h"
#include "platform/linux/XcbXkb.h"

#include <poll.h>

using platform::XcbReply;

XkbGroupWatcher::XkbGroupWatcher(const QString& displayName)
{
    m_connection = xcb_connect(displayName.toLocal8Bit().constData(), nullptr);
    if (xcb_connection_has_error(m_connection))
        return;
    QString whyNot;
    const auto eventBase = platform::useXkbExtension(m_connection, &whyNot);
    if (!eventBase)
        return;
    m_xkbEventBase = *eventBase;
    xcb_xkb_select_events_details_t details{};
    details.affectState = XCB_XKB_STATE_PART_GROUP_LOCK;
    details.stateDetails = XCB_XKB_STATE_PART_GROUP_LOCK;
    XcbReply<xcb_generic_error_t> error(xcb_request_check(
        m_connection, xcb_xkb_select_events_aux_checked(m_connection, platform::kCoreKeyboard,
                                                        XCB_XKB_EVENT_TYPE_STATE_NOTIFY, 0, 0, 0, 0, &details)));
    m_ready = !error;
}

XkbGroupWatcher::~XkbGroupWatcher()
{
    xcb_disconnect(m_connection);
}

void XkbGroupWatcher::drain()
{
    xcb_flush(m_connection);
    while (XcbReply<xcb_generic_event_t> event{xcb_poll_for_event(m_connection)}) {
    }
}

bool XkbGroupWatcher::waitForGroup(int group, std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (true) {
        while (XcbReply<xcb_generic_event_t> event{xcb_poll_for_event(m_connection)}) {
            if ((event->response_type & 0x7f) != m_xkbEventBase || event->pad0 != XCB_XKB_STATE_NOTIFY)
                continue;
            const auto* state = reinterpret_cast<const xcb_xkb_state_notify_event_t*>(event.get());
            if (state->lockedGroup == group)
                return true;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0 || xcb_connection_has_error(m_connection))
            return false;
        pollfd descriptor{xcb_get_file_descriptor(m_connection), POLLIN, 0};
        ::poll(&descriptor, 1, int(left.count()));
    }
}
