#include "platform/InstalledApplication.h"

#include "platform/RunningApplication.h"

namespace platform {

QIcon InstalledApplication::icon() const
{
    if (QIcon found = namedIcon(iconName); !found.isNull())
        return found;
    return QIcon::fromTheme(QStringLiteral("application-x-executable"));
}

} // namespace platform
