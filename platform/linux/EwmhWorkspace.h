#pragma once

#include "platform/Workspace.h"
#include "platform/linux/DesktopEntryIndex.h"
#include "platform/linux/XConnection.h"

#include <QHash>

namespace platform {

// The workspace of an EWMH window manager: the active window is the root's
// _NET_ACTIVE_WINDOW, the running windows its _NET_CLIENT_LIST. Each window is
// turned into a RunningApplication once and cached until it changes or goes.
class EwmhWorkspace : public Workspace, private XEventListener {
    Q_OBJECT
public:
    explicit EwmhWorkspace(XConnection& connection, QObject* parent = nullptr);
    ~EwmhWorkspace() override;

    std::optional<RunningApplication> frontmostApplication() override;
    QList<RunningApplication> runningApplications() override;

    // The application behind a window; nothing when the window carries no
    // identity data at all.
    std::optional<RunningApplication> applicationForWindow(xcb_window_t window);

private:
    void handleXEvent(const xcb_generic_event_t* event) override;
    std::optional<RunningApplication> readApplication(xcb_window_t window);

    XConnection& m_connection;
    DesktopEntryIndex m_desktopEntries;
    QHash<xcb_window_t, std::optional<RunningApplication>> m_applications;
};

} // namespace platform
