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
