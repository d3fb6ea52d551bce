#include "platform/linux/DesktopEntryId.h"

namespace platform::DesktopEntryId {

namespace {

const QString kDesktopSuffix = QStringLiteral(".desktop");

} // namespace

QString withoutSuffix(QString id)
{
    if (id.endsWith(kDesktopSuffix))
        id.chop(kDesktopSuffix.size());
    return id;
}

std::optional<QString> fromFileProperty(const QString& value)
{
    const QString id = withoutSuffix(value.section(QLatin1Char('/'), -1)).trimmed();
    if (id.isEmpty())
        return std::nullopt;
    return id;
}

} // namespace platform::DesktopEntryId
