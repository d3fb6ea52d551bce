#pragma once

// xcb/xkb.h names struct members "explicit", a C++ keyword; rename them while
// the header is read. Include XKB through this header only.
#if defined(__clang__)
#pragma clang diagnostic push
#pragma clang diagnostic ignored "-Wkeyword-macro"
#endif
#define explicit explicit_
#include <xcb/xkb.h>
#undef explicit
#if defined(__clang__)
#pragma clang diagnostic pop
#endif

#include <QString>

#include <optional>

namespace platform {

// The keyboard our XKB requests are about.
constexpr xcb_xkb_device_spec_t kCoreKeyboard = XCB_XKB_ID_USE_CORE_KBD;

// Sets XKB up on the connection (asking again on the same connection does no
// harm): the code of XKB's events, or nothing, with *whyNot saying what the
// server lacks.
std::optional<quint8> useXkbExtension(xcb_connection_t* connection, QString* whyNot);

} // namespace platform
