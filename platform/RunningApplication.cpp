#include "platform/RunningApplication.h"

#include <QFileInfo>

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

QIcon RunningApplication::icon() const
{
    if (iconName.isEmpty())
        return {};
    if (QFileInfo(iconName).isAbsolute())
        return QIcon(iconName);
    return QIcon::fromTheme(iconName);
}

} // namespace platform
