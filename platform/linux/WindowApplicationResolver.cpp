#include "platform/linux/WindowApplicationResolver.h"

#include "platform/linux/DesktopEntryFile.h"
#include "platform/linux/DesktopEntryId.h"
#include "platform/linux/DesktopEntryRecord.h"

#include <QDir>
#include <QFileInfo>

namespace platform {

namespace {

InstalledApplication installedApplicationOf(const DesktopEntry& entry, const QString& path)
{
    return {entry.id, path, entry.name.isEmpty() ? std::nullopt : std::optional(entry.name), entry.iconName};
}

// The ID of the entry file at `path`: its name without ".desktop", with the
// subfolders it lies in joined by "-" when it lies in an applications
// folder, as the index names it ("kde4/foo.desktop" is "kde4-foo").
QString desktopEntryIdOf(const QString& path, const QStringList& folders)
{
    const QString file = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    for (const QString& folder : folders) {
        const QString prefix = QDir::cleanPath(folder) + QLatin1Char('/');
        if (file.startsWith(prefix))
            return DesktopEntryId::withoutSuffix(file.mid(prefix.size()).replace(QLatin1Char('/'), QLatin1Char('-')));
    }
    return DesktopEntryId::withoutSuffix(QFileInfo(file).fileName());
}

} // namespace

void resolveWindowApplication(const DesktopEntryIndex& entries, const std::optional<QString>& declaredId,
                              const QString& instanceName, const QString& className,
                              RunningApplication& application)
{
    const QString windowClass = className.isEmpty() ? instanceName : className;
    std::optional<DesktopEntry> entry;
    if (declaredId) {
        application.bundleIdentifier = declaredId;
        entry = entries.entryForId(*declaredId);
    } else if (!windowClass.isEmpty()) {
        entry = entries.entryForWindowClass(instanceName, className);
        application.bundleIdentifier = entry ? entry->id : windowClass;
    }
    if (entry && !entry->name.isEmpty())
        application.localizedName = entry->name;
    else if (!windowClass.isEmpty())
        application.localizedName = windowClass;
    if (entry)
        application.iconName = entry->iconName;
}

std::optional<InstalledApplication> installedApplicationWithId(const DesktopEntryIndex& entries,
                                                               const QString& bundleIdentifier)
{
    // The index takes one ".desktop" off what it is asked: with it added,
    // an identifier is looked up exactly as it is.
    QString path;
    const auto entry = entries.entryForId(bundleIdentifier + QLatin1String(".desktop"), &path);
    return entry ? std::optional(installedApplicationOf(*entry, path)) : std::nullopt;
}

std::optional<InstalledApplication> installedApplicationAt(const QString& path, const QStringList& folders)
{
    const QString id = desktopEntryIdOf(path, folders);
    const auto contents = id.isEmpty() ? std::nullopt : DesktopEntryFile::read(path);
    const auto record = contents ? DesktopEntryRecord::fromContents(*contents, id, DesktopEntryRecord::Reading::Chosen)
                                 : std::nullopt;
    return record ? std::optional(installedApplicationOf(record->entry, path)) : std::nullopt;
}

} // namespace platform
