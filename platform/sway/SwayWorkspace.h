#pragma once

#include "platform/linux/DesktopEntryWorkspace.h"

#include <QJsonObject>

#include <memory>

namespace platform {

class SwayIpc;

// The workspace of sway: the focused view of its tree is in front, its views
// are the running applications, and the window event "focus" announces each
// activation. A view is named by its app_id (a Wayland client) or its X11
// class (an Xwayland client), resolved to a desktop entry as on X11.
class SwayWorkspace : public DesktopEntryWorkspace {
    Q_OBJECT
public:
    explicit SwayWorkspace(std::shared_ptr<SwayIpc> ipc, QObject* parent = nullptr);
    ~SwayWorkspace() override;

    std::optional<RunningApplication> frontmostApplication() override;
    QList<RunningApplication> runningApplications() override;

    // The application behind a view of the tree; nothing for a node that is
    // no view, or a view that tells nothing of its application.
    std::optional<RunningApplication> applicationForView(const QJsonObject& node) const;

private:
    std::shared_ptr<SwayIpc> m_ipc;
};

} // namespace platform
