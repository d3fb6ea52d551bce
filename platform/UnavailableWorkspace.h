#pragma once

#include "platform/Workspace.h"

namespace platform {

// Stands in when the session offers no way to learn the active window:
// nothing is ever in front and no notice arrives.
class UnavailableWorkspace : public Workspace {
public:
    using Workspace::Workspace;
    std::optional<RunningApplication> frontmostApplication() override { return std::nullopt; }
    QList<RunningApplication> runningApplications() override { return {}; }
    std::optional<InstalledApplication> installedApplication(const QString&) override { return std::nullopt; }
    std::optional<InstalledApplication> applicationAt(const QString&) override { return std::nullopt; }
    QStringList applicationFolders() override { return {}; }
};

} // namespace platform
