#include "platform/linux/DesktopEntryWorkspace.h"

#include "platform/linux/DesktopEntryFile.h"
#include "platform/linux/DesktopEntryId.h"
#include "platform/linux/DesktopEntryRecord.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

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

std::optional<InstalledApplication> DesktopEntryWorkspace::installedApplication(const QString& bundleIdentifier)
{
    // The index takes one ".desktop" off what it is asked: with it added,
    // an identifier is looked up exactly as it is.
    QString path;
    const auto entry = m_desktopEntries.entryForId(bundleIdentifier + QLatin1String(".desktop"), &path);
    return entry ? std::optional(installedApplicationOf(*entry, path)) : std::nullopt;
}

std::optional<InstalledApplication> DesktopEntryWorkspace::applicationAt(const QString& path)
{
    const QString id = desktopEntryIdOf(path, applicationFolders());
    const auto contents = id.isEmpty() ? std::nullopt : DesktopEntryFile::read(path);
    const auto record = contents ? DesktopEntryRecord::fromContents(*contents, id, DesktopEntryRecord::Reading::Chosen)
                                 : std::nullopt;
    return record ? std::optional(installedApplicationOf(record->entry, path)) : std::nullopt;
}

QStringList DesktopEntryWorkspace::applicationFolders()
{
    return QStandardPaths::standardLocations(QStandardPaths::ApplicationsLocation);
}

} // namespace platform
