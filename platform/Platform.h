#pragma once

#include "platform/AccessibilityTrust.h"
#include "platform/KeyMonitor.h"
#include "platform/LoginItems.h"
#include "platform/SoundPlayer.h"
#include "platform/TextInputSources.h"
#include "platform/UserNotifications.h"
#include "platform/WindowEffects.h"
#include "platform/Workspace.h"

// Picks the backends for the session the process runs in. The shared
// backends are created on first use and live until the process ends.
namespace platform {

// Whether the X display the session names can be reached; *error says why not.
// Safe to call before the application object exists.
bool probeDisplay(QString* error);

TextInputSources& sharedTextInputSources();
Workspace& sharedWorkspace();
SoundPlayer& sharedSoundPlayer();
WindowEffects& sharedWindowEffects();
UserNotifications& sharedUserNotifications();
AccessibilityTrust& sharedAccessibilityTrust();
KeyMonitor& sharedKeyMonitor();
LoginItems& sharedLoginItems();

} // namespace platform
