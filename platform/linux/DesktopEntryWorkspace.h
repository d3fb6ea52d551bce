#pragma once

#include "platform/Workspace.h"
#include "platform/linux/DesktopEntryIndex.h"

namespace platform {

// A workspace whose installed applications are the desktop entries of the
// XDG applications folders, whatever the session shows windows with.
class DesktopEntryWorkspace : public Workspace {
    Q_OBJECT
public:
    using Workspace::Workspace;

    std::optional<InstalledApplication> installedApplication(const QString& bundleIdentifier) override;
    std::optional<InstalledApplication> applicationAt(const QString& path) override;
    QStringList applicationFolders() override;

protected:
    DesktopEntryIndex m_desktopEntries;
};

} // namespace platform
