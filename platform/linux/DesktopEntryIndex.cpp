// Placeholder until desktop entries land.
#include "platform/linux/DesktopEntryIndex.h"
namespace platform {
std::optional<DesktopEntry> DesktopEntryIndex::entryForId(const QString&) const { return std::nullopt; }
std::optional<DesktopEntry> DesktopEntryIndex::entryForWindowClass(const QString&, const QString&) const { return std::nullopt; }
}
