#pragma once

#include "platform/linux/DesktopEntryWorkspace.h"
#include "platform/linux/XConnection.h"

#include <QHash>

namespace platform {

// The workspace of an EWMH window manager: the active window is the root's
// _NET_ACTIVE_WINDOW, the running windows its _NET_CLIENT_LIST. Each window is
// turned into a RunningApplication once and cached until it changes or goes.
// When the active window's identity changes (many applications set WM_CLASS
// or their application ID after mapping), it is announced again.
class EwmhWorkspace : public DesktopEntryWorkspace, private XEventListener {
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
    // What a window's application is identified by: its process, or the
    // window itself when it names no process.
    struct IdentityKey {
        QString key;
        std::optional<quint32> pid;
    };

    void handleXEvent(const xcb_generic_event_t* event) override;
    std::optional<RunningApplication> readApplication(xcb_window_t window);
    void identityChanged(xcb_window_t window);
    void checkActiveIdentity();
    quint64 instanceFor(xcb_window_t window, const IdentityKey& key);
    void forgetWindow(xcb_window_t window);
    void forgetKeyIfUnused(const IdentityKey& key);
    bool anyClientDeclaresPid(quint32 pid);

    XConnection& m_connection;
    QHash<xcb_window_t, std::optional<RunningApplication>> m_applications;
    // Kept from a window's first read until it is destroyed, so that an ID
    // that comes back later (a new process or X client given the same
    // number) makes a new instance and is never taken for the old one.
    QHash<xcb_window_t, IdentityKey> m_windowKeys;
    QHash<QString, quint64> m_instances;   // per key, while a window holds it
    quint64 m_lastInstance = 0;
    xcb_window_t m_activeWindow = XCB_WINDOW_NONE;
    // The active window's identity changed; what it was before.
    struct IdentityCheck {
        xcb_window_t window;
        std::optional<RunningApplication> before;
    };
    std::optional<IdentityCheck> m_identityCheck;
};

} // namespace platform
