#include "platform/RunningApplication.h"

#include <QFileInfo>
#include <QPixmap>

#include <algorithm>

namespace platform {

RunningApplication RunningApplication::forProcess(qint64 processIdentifier, const QString& host, quint64 instance)
{
    RunningApplication application;
    application.m_processIdentifier = processIdentifier;
    application.m_identity = QStringLiteral("process:%1:%2#%3").arg(host).arg(processIdentifier).arg(instance);
    return application;
}

RunningApplication RunningApplication::forWindow(quint32 windowId, quint64 instance)
{
    RunningApplication application;
    application.m_identity = QStringLiteral("window:%1#%2").arg(windowId).arg(instance);
    return application;
}

QIcon namedIcon(const QString& iconName)
{
    if (QFileInfo(iconName).isAbsolute())
        return QFileInfo::exists(iconName) ? QIcon(iconName) : QIcon();
    return iconName.isEmpty() ? QIcon() : QIcon::fromTheme(iconName);
}

void RunningApplication::addUnlisted(QList<RunningApplication>& list, const RunningApplication& application)
{
    const bool listed = std::any_of(list.cbegin(), list.cend(), [&](const RunningApplication& other) {
        return other.isSameApplication(application);
    });
    if (!listed)
        list.append(application);
}

QIcon RunningApplication::icon() const
{
    const QIcon named = namedIcon(iconName);
    if (!named.isNull() || windowIcon.isNull())
        return named;
    return QIcon(QPixmap::fromImage(windowIcon));
}

} // namespace platform
