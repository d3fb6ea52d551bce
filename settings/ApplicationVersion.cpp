#include "settings/ApplicationVersion.h"

#include <QCoreApplication>

QString applicationShortVersion()
{
    const QString version = QCoreApplication::applicationVersion().trimmed();
    return version.isEmpty() ? QStringLiteral("1.0") : version;
}

QString applicationBuildNumber()
{
    const QString build = QStringLiteral(KELVARO_BUILD_NUMBER).trimmed();
    return build.isEmpty() ? QStringLiteral("1") : build;
}
