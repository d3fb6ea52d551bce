#include "platform/RunningApplication.h"

#include <QFileInfo>

namespace platform {

RunningApplication RunningApplication::forProcess(qint64 processIdentifier, const QString& host)
{
    RunningApplication application;
    application.m_processIdentifier = processIdentifier;
    application.m_identity = QStringLiteral("process:%1:%2").arg(host).arg(processIdentifier);
    return application;
}

RunningApplication RunningApplication::forWindow(quint32 windowId)
{
    RunningApplication application;
    application.m_identity = QStringLiteral("window:%1").arg(windowId);
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
