#include "platform/linux/XcbXkb.h"

#include "platform/linux/XcbReply.h"

namespace platform {

std::optional<quint8> useXkbExtension(xcb_connection_t* connection, QString* whyNot)
{
    const xcb_query_extension_reply_t* extension = xcb_get_extension_data(connection, &xcb_xkb_id);
    if (!extension || !extension->present) {
        *whyNot = QStringLiteral("The X server has no XKEYBOARD extension");
        return std::nullopt;
    }
    const XcbReply<xcb_xkb_use_extension_reply_t> use(xcb_xkb_use_extension_reply(
        connection, xcb_xkb_use_extension(connection, XCB_XKB_MAJOR_VERSION, XCB_XKB_MINOR_VERSION), nullptr));
    if (!use) {
        *whyNot = QStringLiteral("The X server did not answer the XKEYBOARD set-up");
        return std::nullopt;
    }
    if (!use->supported) {
        *whyNot = QStringLiteral("The X server's XKEYBOARD extension %1.%2 is not usable (version %3.%4 is needed)")
                      .arg(use->serverMajor)
                      .arg(use->serverMinor)
                      .arg(XCB_XKB_MAJOR_VERSION)
                      .arg(XCB_XKB_MINOR_VERSION);
        return std::nullopt;
    }
    return extension->first_event;
}

} // namespace platform
