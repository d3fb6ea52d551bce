#include "platform/linux/XInputKeyMonitor.h"

#include "platform/PlatformLog.h"
#include "platform/linux/XcbXkb.h"

#include <xcb/xinput.h>

namespace platform {

namespace {

// X keycodes are evdev codes moved up by 8, the lowest keycode X allows.
constexpr quint32 kEvdevOffset = 8;
// Raw events of master devices are reported from XInput 2.1 on; 2.2 is what we speak.
constexpr uint16_t kXInputMajor = 2;
constexpr uint16_t kXInputMinor = 2;
const QString kUnavailable = QStringLiteral("global hotkeys are unavailable");

// One device mask as XISelectEvents takes it: the header, then the mask words.
struct RawKeyPressMask {
    xcb_input_event_mask_t header;
    uint32_t mask;
};

Qt::KeyboardModifiers qtModifiers(quint8 xkbModifiers)
{
    Qt::KeyboardModifiers modifiers;
    if (xkbModifiers & XCB_MOD_MASK_SHIFT)
        modifiers |= Qt::ShiftModifier;
    if (xkbModifiers & XCB_MOD_MASK_CONTROL)
        modifiers |= Qt::ControlModifier;
    if (xkbModifiers & XCB_MOD_MASK_1)
        modifiers |= Qt::AltModifier;
    if (xkbModifiers & XCB_MOD_MASK_4)
        modifiers |= Qt::MetaModifier;
    return modifiers;
}

} // namespace

XInputKeyMonitor::XInputKeyMonitor(XConnection& connection, QObject* parent)
    : KeyMonitor(parent)
    , m_connection(connection)
{
}

XInputKeyMonitor::~XInputKeyMonitor()
{
    stop();
}

bool XInputKeyMonitor::setUpExtensions()
{
    if (m_extensionsReady)
        return true;
    xcb_connection_t* c = m_connection.connection();

    const xcb_query_extension_reply_t* xinput = xcb_get_extension_data(c, &xcb_input_id);
    // Current X servers all have XInput 2 and XKEYBOARD built in, so no test
    // comes to the failures below. Each returns before any listener is added
    // or any event selected: start() fails with the reason logged, and stop()
    // finds nothing to undo.
    if (!xinput || !xinput->present) {
        logError(QStringLiteral("The X server has no XInputExtension; %1").arg(kUnavailable));
        return false;
    }
    const XcbReply<xcb_input_xi_query_version_reply_t> version(xcb_input_xi_query_version_reply(
        c, xcb_input_xi_query_version(c, kXInputMajor, kXInputMinor), nullptr));
    if (!version) {
        logError(
            QStringLiteral("The X server did not answer the XInputExtension version query; %1").arg(kUnavailable));
        return false;
    }
    if (version->major_version < 2) {
        logError(QStringLiteral("The X server's XInputExtension %1.%2 has no raw key events "
                                              "(version 2.0 is needed); %3")
                                   .arg(version->major_version)
                                   .arg(version->minor_version)
                                   .arg(kUnavailable));
        return false;
    }

    // XKB tells the modifiers held.
    QString whyNot;
    const auto xkbEventBase = useXkbExtension(c, &whyNot);
    if (!xkbEventBase) {
        logError(QStringLiteral("%1; %2").arg(whyNot, kUnavailable));
        return false;
    }

    m_xinputOpcode = xinput->major_opcode;
    m_xkbEventBase = *xkbEventBase;
    m_extensionsReady = true;
    return true;
}

bool XInputKeyMonitor::selectEvents(bool watch)
{
    xcb_connection_t* c = m_connection.connection();

    // Only our own detail bit is touched: other parts of the program may
    // watch other parts of the XKB state on this connection.
    xcb_xkb_select_events_details_t details{};
    details.affectState = XCB_XKB_STATE_PART_MODIFIER_STATE;
    details.stateDetails = watch ? XCB_XKB_STATE_PART_MODIFIER_STATE : 0;
    const auto xkbCookie =
        xcb_xkb_select_events_aux_checked(c, kCoreKeyboard, XCB_XKB_EVENT_TYPE_STATE_NOTIFY, 0, 0, 0, 0, &details);

    const RawKeyPressMask mask{{XCB_INPUT_DEVICE_ALL_MASTER, 1},
                               watch ? uint32_t(XCB_INPUT_XI_EVENT_MASK_RAW_KEY_PRESS) : 0u};
    const auto xinputCookie = xcb_input_xi_select_events_checked(c, m_connection.rootWindow(), 1, &mask.header);

    const XcbReply<xcb_generic_error_t> xkbError(xcb_request_check(c, xkbCookie));
    const XcbReply<xcb_generic_error_t> xinputError(xcb_request_check(c, xinputCookie));
    if (!watch)
        return true;
    if (xkbError || xinputError) {
        const auto& error = xinputError ? xinputError : xkbError;
        logError(QStringLiteral("The X server refused to report key presses (error %1); %2")
                                   .arg(error->error_code)
                                   .arg(kUnavailable));
        return false;
    }
    return !m_connection.hasError();
}

bool XInputKeyMonitor::start()
{
    if (m_monitoring)
        return true;
    if (!setUpExtensions())
        return false;

    m_connection.addListener(this);
    if (!selectEvents(true)) {
        selectEvents(false);
        m_connection.removeListener(this);
        return false;
    }
    // Modifier notices sent before the state is read are older than it.
    xcb_connection_t* c = m_connection.connection();
    const auto cookie = xcb_xkb_get_state(c, kCoreKeyboard);
    m_stateSequence = cookie.sequence;
    const XcbReply<xcb_xkb_get_state_reply_t> state(xcb_xkb_get_state_reply(c, cookie, nullptr));
    m_xkbModifiers = state ? state->mods : 0;
    m_monitoring = true;
    return true;
}

void XInputKeyMonitor::stop()
{
    if (!m_monitoring)
        return;
    m_monitoring = false;
    m_connection.removeListener(this);
    if (!m_connection.hasError())
        selectEvents(false);
}

void XInputKeyMonitor::handleXEvent(const xcb_generic_event_t* event)
{
    const quint8 type = event->response_type & 0x7f;
    if (type == m_xkbEventBase && event->pad0 == XCB_XKB_STATE_NOTIFY) {
        const auto* notify = reinterpret_cast<const xcb_xkb_state_notify_event_t*>(event);
        if (m_stateSequence) {
            // An event carries the number of the last request handled before
            // it; XCB widens it to 32 bits.
            if (int32_t(event->full_sequence - *m_stateSequence) < 0)
                return;
            m_stateSequence.reset();
        }
        m_xkbModifiers = notify->mods;
        return;
    }
    if (type != XCB_GE_GENERIC)
        return;
    const auto* generic = reinterpret_cast<const xcb_ge_generic_event_t*>(event);
    if (generic->extension != m_xinputOpcode || generic->event_type != XCB_INPUT_RAW_KEY_PRESS)
        return;
    const auto* press = reinterpret_cast<const xcb_input_raw_key_press_event_t*>(event);
    if ((press->flags & XCB_INPUT_KEY_EVENT_FLAGS_KEY_REPEAT) || press->detail < kEvdevOffset)
        return;
    emit keyPressed(KeyPress{press->detail - kEvdevOffset, qtModifiers(m_xkbModifiers), press->time});
}

} // namespace platform
