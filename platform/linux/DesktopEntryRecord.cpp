#include "platform/linux/DesktopEntryRecord.h"

#include "platform/linux/DesktopEntryId.h"
#include "platform/linux/GLibPtr.h"

#include <cstring>

namespace platform {

namespace {

GCharPtr stringOf(GKeyFile* file, const char* key)
{
    return GCharPtr(g_key_file_get_string(file, G_KEY_FILE_DESKTOP_GROUP, key, nullptr));
}

bool flagOf(GKeyFile* file, const char* key)
{
    return g_key_file_get_boolean(file, G_KEY_FILE_DESKTOP_GROUP, key, nullptr);
}

// Whether a program an entry names, its path or a name looked up in PATH,
// exists; a leading "~" stands for the home folder.
bool programExists(const char* program)
{
    const GCharPtr path(program[0] == '~' ? g_strconcat(g_get_home_dir(), program + 1, nullptr) : g_strdup(program));
    return GCharPtr(g_find_program_in_path(path.get())) != nullptr;
}

bool describesApplication(GKeyFile* file)
{
    const GCharPtr startGroup(g_key_file_get_start_group(file));
    if (!startGroup || std::strcmp(startGroup.get(), G_KEY_FILE_DESKTOP_GROUP) != 0)
        return false;
    const GCharPtr type = stringOf(file, G_KEY_FILE_DESKTOP_KEY_TYPE);
    return type && std::strcmp(type.get(), G_KEY_FILE_DESKTOP_TYPE_APPLICATION) == 0;
}

// GIO's further conditions for an installed entry to be an application it lists.
bool programsFound(GKeyFile* file)
{
    if (const GCharPtr tryExec = stringOf(file, G_KEY_FILE_DESKTOP_KEY_TRY_EXEC); tryExec && *tryExec && !programExists(tryExec.get()))
        return false;
    if (const GCharPtr exec = stringOf(file, G_KEY_FILE_DESKTOP_KEY_EXEC); exec && *exec) {
        gchar** argv = nullptr;
        if (!g_shell_parse_argv(exec.get(), nullptr, &argv, nullptr))
            return false;
        const bool found = programExists(argv[0]);
        g_strfreev(argv);
        return found;
    }
    return true;
}

// The icon's theme name or file path, cleaned as GIO cleans it.
QString iconNameOf(GKeyFile* file)
{
    const GCharPtr icon(g_key_file_get_locale_string(file, G_KEY_FILE_DESKTOP_GROUP, G_KEY_FILE_DESKTOP_KEY_ICON, nullptr, nullptr));
    if (!icon)
        return {};
    if (g_path_is_absolute(icon.get()))
        return QString::fromUtf8(GCharPtr(g_canonicalize_filename(icon.get(), nullptr)).get());
    // A common mistake: a theme name with the file's suffix.
    if (char* suffix = std::strrchr(icon.get(), '.'))
        for (const char* mistaken : {".png", ".xpm", ".svg"})
            if (std::strcmp(suffix, mistaken) == 0)
                *suffix = '\0';
    return QString::fromUtf8(icon.get());
}

} // namespace

// The key file is read here rather than through GDesktopAppInfo: creating one
// makes GIO index and watch every application folder itself, and drop and
// rebuild that index, thousands of names, at each change in them.
std::optional<DesktopEntryRecord> DesktopEntryRecord::fromContents(const QByteArray& contents, const QString& id,
                                                                   Reading reading)
{
    const KeyFilePtr file(g_key_file_new());
    if (!g_key_file_load_from_data(file.get(), contents.constData(), gsize(contents.size()), G_KEY_FILE_NONE, nullptr))
        return std::nullopt;
    if (!describesApplication(file.get()))
        return std::nullopt;
    if (reading == Reading::Installed && (!programsFound(file.get()) || flagOf(file.get(), G_KEY_FILE_DESKTOP_KEY_HIDDEN)))
        return std::nullopt;
    DesktopEntryRecord record;
    record.entry.id = DesktopEntryId::withoutSuffix(id);
    const GCharPtr name(g_key_file_get_locale_string(file.get(), G_KEY_FILE_DESKTOP_GROUP, G_KEY_FILE_DESKTOP_KEY_NAME, nullptr, nullptr));
    record.entry.name = name ? QString::fromUtf8(name.get()).trimmed() : QString();
    record.entry.iconName = iconNameOf(file.get());
    record.startupWmClass = QString::fromUtf8(stringOf(file.get(), "StartupWMClass").get());
    record.noDisplay = flagOf(file.get(), G_KEY_FILE_DESKTOP_KEY_NO_DISPLAY);
    return record;
}

} // namespace platform
