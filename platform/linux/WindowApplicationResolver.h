#pragma once

#include "platform/InstalledApplication.h"
#include "platform/RunningApplication.h"
#include "platform/linux/DesktopEntryIndex.h"

#include <optional>

namespace platform {

// Names the application behind a window from what the window declares: the
// desktop entry ID it names itself (GTK's application ID, KDE's desktop file
// name, a Wayland app_id), else its class (WM_CLASS instance and class, or a
// resource class), looked up in the installed desktop entries. Sets the
// application's bundle identifier, name and icon; the identifier is the
// declared ID or the entry's, else the class itself.
void resolveWindowApplication(const DesktopEntryIndex& entries, const std::optional<QString>& declaredId,
                              const QString& instanceName, const QString& className,
                              RunningApplication& application);

// The installed application whose desktop entry has exactly this ID, or nothing.
std::optional<InstalledApplication> installedApplicationWithId(const DesktopEntryIndex& entries,
                                                               const QString& bundleIdentifier);
// The application described by the desktop entry file at `path`, which the
// user chose; nothing when it cannot be read or describes none. Its ID is
// taken relative to the first of `folders` it lies in.
std::optional<InstalledApplication> installedApplicationAt(const QString& path, const QStringList& folders);

} // namespace platform
