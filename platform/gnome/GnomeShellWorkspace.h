#pragma once

#include "platform/linux/DesktopEntryWorkspace.h"

class QDBusArgument;

namespace platform {

class GnomeShellExtension;

// The workspace of GNOME Shell on Wayland, where no client can see other
// clients' windows: Kelvaro's Shell extension tells the application of the
// focused window (the Shell's window tracker: its desktop entry ID, the
// window's class and pid) and lists the windows of the running applications.
// While the extension does not answer, nothing is in front.
class GnomeShellWorkspace : public DesktopEntryWorkspace {
    Q_OBJECT
public:
    explicit GnomeShellWorkspace(GnomeShellExtension& extension, QObject* parent = nullptr);

    std::optional<RunningApplication> frontmostApplication() override;
    QList<RunningApplication> runningApplications() override;

private:
    std::optional<RunningApplication> applicationOf(const QDBusArgument& window) const;
    void readFocusedApplication();

    GnomeShellExtension& m_extension;
    std::optional<RunningApplication> m_frontmost;
};

} // namespace platform
