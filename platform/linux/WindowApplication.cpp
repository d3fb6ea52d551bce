#include "platform/linux/WindowApplication.h"

#include "platform/linux/DesktopEntryIndex.h"

namespace platform {

void describeApplication(const DesktopEntryIndex& entries, const WindowIdentity& window,
                         RunningApplication& application)
{
    const QString windowClass = window.windowClass();
    std::optional<DesktopEntry> entry;
    if (window.declaredId) {
        application.bundleIdentifier = window.declaredId;
        entry = entries.entryForId(*window.declaredId);
    } else if (!windowClass.isEmpty()) {
        entry = entries.entryForWindowClass(window.instanceName, window.className);
        application.bundleIdentifier = entry ? entry->id : windowClass;
    }

    if (entry && !entry->name.isEmpty())
        application.localizedName = entry->name;
    else if (!windowClass.isEmpty())
        application.localizedName = windowClass;
    if (entry)
        application.iconName = entry->iconName;
}

} // namespace platform
