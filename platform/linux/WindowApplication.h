#pragma once

#include "platform/RunningApplication.h"

#include <QString>

#include <optional>

namespace platform {

class DesktopEntryIndex;

// What a window tells of its application, whatever the session: its class
// (WM_CLASS on X11, an X client's class under Xwayland) and the desktop entry
// ID it declares (_GTK_APPLICATION_ID, _KDE_NET_WM_DESKTOP_FILE, a Wayland
// app_id).
struct WindowIdentity {
    QString instanceName;
    QString className;
    std::optional<QString> declaredId;

    // The class, or the instance name when the class is empty.
    QString windowClass() const { return className.isEmpty() ? instanceName : className; }
    bool isEmpty() const { return windowClass().isEmpty() && !declaredId; }
};

// Names the window's application after its desktop entry: a declared ID is
// taken as it is, a class is matched against the entries and stays the
// identifier when none matches. Sets bundleIdentifier, localizedName and
// iconName; leaves them unset when the window tells nothing.
void describeApplication(const DesktopEntryIndex& entries, const WindowIdentity& window,
                         RunningApplication& application);

} // namespace platform
