// Desktop entries: any installed package or the user may have written them,
// and the index reads every one in the XDG data folders. It must take the
// same entries as GIO, with the same name, icon and keys: GIO is the
// reference it is compared with.
#include "platform/linux/DesktopEntryRecord.h"
#include "platform/linux/GLibPtr.h"

#include "FuzzCheck.h"

#pragma push_macro("signals")
#undef signals
#include <gio/gdesktopappinfo.h>
#pragma pop_macro("signals")

#include <cstddef>
#include <cstdint>

namespace {

using namespace platform;

// GLib is not instrumented, so the fuzzer cannot see how far GIO got into a
// file; most mutated files would fail GIO's checks. Half the inputs are the
// keys of an entry that passes them, the other half whole files.
QByteArray entryText(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    if (data[0] & 1)
        return "[Desktop Entry]\nType=Application\nExec=true\n" + bytes;
    return bytes;
}

// The record as GIO reads the entry.
std::optional<DesktopEntryRecord> recordByGio(const QByteArray& text, const QString& id)
{
    GKeyFile* keyFile = g_key_file_new();
    GObjectPtr<GDesktopAppInfo> info;
    if (g_key_file_load_from_data(keyFile, text.constData(), gsize(text.size()), G_KEY_FILE_NONE, nullptr))
        info.reset(g_desktop_app_info_new_from_keyfile(keyFile));
    g_key_file_unref(keyFile);   // GIO keeps its own reference
    if (!info || g_desktop_app_info_get_is_hidden(info.get()))
        return std::nullopt;
    DesktopEntryRecord record;
    record.entry.id = id;
    const GCharPtr name(g_desktop_app_info_get_locale_string(info.get(), G_KEY_FILE_DESKTOP_KEY_NAME));
    record.entry.name = name ? QString::fromUtf8(name.get()).trimmed() : QString();
    // A theme name or a local path, as ours.
    GIcon* icon = g_app_info_get_icon(G_APP_INFO(info.get()));
    record.entry.iconName = QString::fromUtf8(GCharPtr(icon ? g_icon_to_string(icon) : nullptr).get());
    record.startupWmClass = QString::fromUtf8(g_desktop_app_info_get_startup_wm_class(info.get()));
    record.noDisplay = g_desktop_app_info_get_nodisplay(info.get());
    return record;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    const QByteArray text = entryText(data, size);
    const auto record = platform::DesktopEntryRecord::fromContents(text, QStringLiteral("org.example.App.desktop"));
    FUZZ_CHECK(record == recordByGio(text, QStringLiteral("org.example.App")));
    return 0;
}
