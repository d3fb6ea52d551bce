#include "platform/InstalledApplication.h"

#include "platform/RunningApplication.h"

namespace platform {

QIcon InstalledApplication::icon() const
{
    RunningApplication named;
    named.iconName = iconName;
    if (QIcon found = named.icon(); !found.isNull())
        return found;
    return QIcon::fromTheme(QStringLiteral("application-x-executable"));
}

} // namespace platform
