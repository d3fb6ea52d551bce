#pragma once

// xcb/xkb.h names struct members "explicit", a C++ keyword; rename them while
// the header is read. Include XKB through this header only.
#define explicit explicit_
#include <xcb/xkb.h>
#undef explicit
