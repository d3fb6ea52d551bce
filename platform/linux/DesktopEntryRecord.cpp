#include "platform/linux/DesktopEntryRecord.h"

#include "platform/linux/DesktopEntryId.h"
#include "platform/linux/GLibPtr.h"

namespace platform {

namespace {

struct KeyFileFree {
    void operator()(GKeyFile* keyFile) const { g_key_file_free(keyFile); }
};

QString iconNameOf(GAppInfo* info)
{
    GIcon* icon = g_app_info_get_icon(info);
    if (icon && G_IS_THEMED_ICON(icon)) {
        const gchar* const* names = g_themed_icon_get_names(G_THEMED_ICON(icon));
        return names && names[0] ? QString::fromUtf8(names[0]) : QString();
    }
    if (icon && G_IS_FILE_ICON(icon)) {
        const GCharPtr path(g_file_get_path(g_file_icon_get_file(G_FILE_ICON(icon))));
        return path ? QString::fromUtf8(path.get()) : QString();
    }
    return {};
}

} // namespace

std::optional<DesktopEntryRecord> DesktopEntryRecord::fromAppInfo(GDesktopAppInfo* info, const QString& id)
{
    if (g_desktop_app_info_get_is_hidden(info))
        return std::nullopt;
    DesktopEntryRecord record;
    record.entry.id = DesktopEntryId::withoutSuffix(id);
    // Read Name ourselves: GIO substitutes a placeholder when it is missing.
    const GCharPtr name(g_desktop_app_info_get_locale_string(info, G_KEY_FILE_DESKTOP_KEY_NAME));
    record.entry.name = name ? QString::fromUtf8(name.get()).trimmed() : QString();
    record.entry.iconName = iconNameOf(G_APP_INFO(info));
    record.startupWmClass = QString::fromUtf8(g_desktop_app_info_get_startup_wm_class(info));
    record.noDisplay = g_desktop_app_info_get_nodisplay(info);
    return record;
}

std::optional<DesktopEntryRecord> DesktopEntryRecord::fromContents(const QByteArray& contents, const QString& id)
{
    const std::unique_ptr<GKeyFile, KeyFileFree> keyFile(g_key_file_new());
    if (!g_key_file_load_from_data(keyFile.get(), contents.constData(), gsize(contents.size()), G_KEY_FILE_NONE, nullptr))
        return std::nullopt;
    const GObjectPtr<GDesktopAppInfo> info(g_desktop_app_info_new_from_keyfile(keyFile.get()));
    if (!info)
        return std::nullopt;
    return fromAppInfo(info.get(), id);
}

} // namespace platform
