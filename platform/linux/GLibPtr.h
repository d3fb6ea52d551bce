#pragma once

// GIO for Qt code, and owners for what GLib hands out. GLib names a struct
// member "signals", which Qt's keyword macro would rewrite: include GLib and
// GIO through this header only.
#pragma push_macro("signals")
#undef signals
#include <gio/gio.h>
#pragma pop_macro("signals")

#include <memory>

namespace platform {

struct GObjectUnref {
    void operator()(gpointer object) const { g_object_unref(object); }
};
// An owned reference to a GObject.
template <typename T>
using GObjectPtr = std::unique_ptr<T, GObjectUnref>;

struct GFree {
    void operator()(gpointer memory) const { g_free(memory); }
};
// A string GLib allocated for the caller.
using GCharPtr = std::unique_ptr<char, GFree>;

struct KeyFileFree {
    void operator()(GKeyFile* keyFile) const { g_key_file_free(keyFile); }
};
using KeyFilePtr = std::unique_ptr<GKeyFile, KeyFileFree>;

} // namespace platform
