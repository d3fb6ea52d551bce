#include "platform/ApplicationResources.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace ApplicationResources {

QString directory()
{
    const QDir executableDirectory(QCoreApplication::applicationDirPath());
    for (const QString& candidate : {QStringLiteral("resources"), QStringLiteral("../share/kelvaro/resources")}) {
        const QFileInfo folder(executableDirectory.filePath(candidate));
        if (folder.isDir())
            return folder.canonicalFilePath();
    }
    return executableDirectory.filePath(QStringLiteral("resources"));
}

QString pathForResource(const QString& directory, const QString& name, const QString& extension)
{
    if (name.isEmpty() || name.contains(QLatin1Char('/')) || name == QLatin1String("..") || name == QLatin1String("."))
        return {};
    const QString path = QDir(directory).filePath(name + QLatin1Char('.') + extension);
    return QFileInfo::exists(path) ? path : QString();
}

} // namespace ApplicationResources
