#pragma once

#include "platform/AccessibilityTrust.h"
#include "platform/KeyMonitor.h"
#include "platform/LoginItems.h"
#include "platform/ShellExtension.h"
#include "platform/SoundPlayer.h"
#include "platform/TextInputSources.h"
#include "platform/UserNotifications.h"
#include "platform/WindowEffects.h"
#include "platform/Workspace.h"

#include <QDBusConnection>

// Picks the backends for the session the process runs in. The shared
// backends are created on first use and live until the process ends.
namespace platform {

// Whether the X display the session names can be reached; *error says why not.
// Safe to call before the application object exists.
bool probeDisplay(QString* error);

// The session bus, when the session names one ($DBUS_SESSION_BUS_ADDRESS,
// or the bus socket in $XDG_RUNTIME_DIR); else a connection that is not
// connected. Without an address libdbus would start a bus of its own
// (X11 autolaunch) on which nothing Kelvaro talks to can be found.
QDBusConnection sessionBus();

TextInputSources& sharedTextInputSources();
Workspace& sharedWorkspace();
SoundPlayer& sharedSoundPlayer();
WindowEffects& sharedWindowEffects();
UserNotifications& sharedUserNotifications();
AccessibilityTrust& sharedAccessibilityTrust();
KeyMonitor& sharedKeyMonitor();
LoginItems& sharedLoginItems();
// The session's shell extension; NoShellExtension where none is needed.
ShellExtension& sharedShellExtension();

} // namespace platform
