#include "localization/LocalizedBundle.h"

#include "localization/StringsTable.h"
#include "logging/Logger.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

std::optional<LocalizedBundle> LocalizedBundle::open(const QString& folderPath)
{
    if (folderPath.isEmpty() || !QFileInfo(folderPath).isDir())
        return std::nullopt;

    LocalizedBundle bundle;
    bundle.m_path = folderPath;

    const QString tablePath = QDir(folderPath).filePath(QStringLiteral("Localizable.strings"));
    if (!QFileInfo::exists(tablePath))
        return bundle;
    QFile file(tablePath);
    if (!QFileInfo(tablePath).isFile() || !file.open(QIODevice::ReadOnly)) {
        const QString reason = QFileInfo(tablePath).isFile() ? file.errorString() : QStringLiteral("not a file");
        Logger::shared().error(QStringLiteral("Cannot read strings table %1: %2").arg(tablePath, reason));
        return bundle;
    }
    StringsTable::ParseError error;
    if (auto table = StringsTable::parse(file.readAll(), &error))
        bundle.m_table = std::move(*table);
    else
        Logger::shared().error(QStringLiteral("Damaged strings table %1: %2").arg(tablePath, error.toString()));
    return bundle;
}

QString LocalizedBundle::localizedString(const QString& key) const
{
    return m_table.value(key, key);
}
