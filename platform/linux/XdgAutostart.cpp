#include "platform/linux/XdgAutostart.h"

#include "platform/UserFile.h"
#include "platform/linux/GLibPtr.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

constexpr qint64 kMaximumEntrySize = 64 * 1024;
constexpr const char* kEntryName = "kelvaro.desktop";

// The entry as it is on disk; a fresh one when it is missing or unreadable.
KeyFilePtr loadEntry(const QString& path)
{
    KeyFilePtr file(g_key_file_new());
    QString ignored;
    if (const std::optional<QByteArray> content = readRegularFile(path, kMaximumEntrySize, &ignored)) {
        if (!g_key_file_load_from_data(file.get(), content->constData(), gsize(content->size()),
                                       GKeyFileFlags(G_KEY_FILE_KEEP_COMMENTS | G_KEY_FILE_KEEP_TRANSLATIONS), nullptr))
            file.reset(g_key_file_new());
    }
    return file;
}

LoginItemError failure(const QString& action, const QString& path, const QString& reason)
{
    return {QStringLiteral("Kelvaro couldn't be %1: %2.").arg(action, reason),
            QStringLiteral("XDG autostart entry \"%1\": %2 (%3)").arg(path, reason, action)};
}

QString systemError(int code)
{
    return QString::fromLocal8Bit(std::strerror(code));
}

// Like QDir::mkpath, with the reason when a folder cannot be made.
bool makeFolder(const QString& folder, QString* reason)
{
    QString made;
    for (const QString& part : folder.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        made += QLatin1Char('/') + part;
        if (::mkdir(QFile::encodeName(made).constData(), 0700) == 0 || errno == EEXIST) {
            struct stat status {};
            if (::stat(QFile::encodeName(made).constData(), &status) == 0 && S_ISDIR(status.st_mode))
                continue;
            *reason = QStringLiteral("\"%1\" is not a folder").arg(made);
            return false;
        }
        *reason = QStringLiteral("the folder \"%1\" couldn't be created: %2").arg(made, systemError(errno));
        return false;
    }
    return true;
}

} // namespace

XdgAutostart::XdgAutostart(QString folder, QString program)
    : m_folder(QFileInfo(folder).absoluteFilePath())
    , m_program(std::move(program))
{
}

QString XdgAutostart::entryPath() const
{
    return QDir(m_folder).filePath(QLatin1String(kEntryName));
}

bool XdgAutostart::isRegistered() const
{
    QString error;
    const std::optional<QByteArray> content = readRegularFile(entryPath(), kMaximumEntrySize, &error);
    if (!content)
        return false;
    const KeyFilePtr file(g_key_file_new());
    if (!g_key_file_load_from_data(file.get(), content->constData(), gsize(content->size()), G_KEY_FILE_NONE, nullptr)
        || !g_key_file_has_group(file.get(), G_KEY_FILE_DESKTOP_GROUP))
        return false;
    GError* gnomeError = nullptr;
    const bool gnomeEnabled
        = g_key_file_get_boolean(file.get(), G_KEY_FILE_DESKTOP_GROUP, "X-GNOME-Autostart-enabled", &gnomeError);
    const bool gnomeDisabled = !gnomeError && !gnomeEnabled;
    g_clear_error(&gnomeError);
    return !g_key_file_get_boolean(file.get(), G_KEY_FILE_DESKTOP_GROUP, G_KEY_FILE_DESKTOP_KEY_HIDDEN, nullptr)
        && !gnomeDisabled;
}

std::optional<LoginItemError> XdgAutostart::registerApplication()
{
    const QString path = entryPath();
    const QString action = QStringLiteral("added to the programs started at login");
    QString reason;
    if (!makeFolder(m_folder, &reason))
        return failure(action, path, reason);

    // Keys the user added to an existing entry (a start delay) are kept.
    const KeyFilePtr file = loadEntry(path);
    GKeyFile* entry = file.get();
    const char* group = G_KEY_FILE_DESKTOP_GROUP;
    g_key_file_set_string(entry, group, G_KEY_FILE_DESKTOP_KEY_TYPE, G_KEY_FILE_DESKTOP_TYPE_APPLICATION);
    g_key_file_set_string(entry, group, G_KEY_FILE_DESKTOP_KEY_NAME, "Kelvaro");
    g_key_file_set_string(entry, group, G_KEY_FILE_DESKTOP_KEY_EXEC, qUtf8Printable(desktopExecValue(m_program)));
    g_key_file_set_string(entry, group, G_KEY_FILE_DESKTOP_KEY_ICON, "input-keyboard");
    g_key_file_set_boolean(entry, group, G_KEY_FILE_DESKTOP_KEY_HIDDEN, FALSE);
    g_key_file_set_boolean(entry, group, "X-GNOME-Autostart-enabled", TRUE);
    gsize length = 0;
    const GCharPtr data(g_key_file_to_data(entry, &length, nullptr));

    QSaveFile saved(path);
    if (!saved.open(QIODevice::WriteOnly))
        return failure(action, path, saved.errorString());
    if (!writeDurably(saved, QByteArray(data.get(), qsizetype(length)), &reason))
        return failure(action, path, reason);
    if (!saved.commit())
        return failure(action, path, saved.errorString());
    return std::nullopt;
}

std::optional<LoginItemError> XdgAutostart::unregisterApplication()
{
    const QString path = entryPath();
    if (::unlink(QFile::encodeName(path).constData()) == 0 || errno == ENOENT)
        return std::nullopt;
    return failure(QStringLiteral("removed from the programs started at login"), path, systemError(errno));
}

QString desktopExecValue(const QString& program)
{
    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    QString value = program;
    value.replace(QLatin1Char('%'), QLatin1String("%%"));
    if (std::none_of(program.cbegin(), program.cend(), [](QChar c) { return reserved.contains(c); }))
        return value;
    QString quoted;
    for (const QChar c : std::as_const(value)) {
        if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') || c == QLatin1Char('\\'))
            quoted += QLatin1Char('\\');
        quoted += c;
    }
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

} // namespace platform
