#pragma once

#include <QProcessEnvironment>
#include <QString>

#include <optional>

namespace platform {

// Whose interfaces the backends use: the X server's (XKB, EWMH, XInput2),
// sway's IPC, KDE Plasma's D-Bus services and KWin, or GNOME Shell through
// Kelvaro's Shell extension.
enum class Session { X11, Sway, Kde, Gnome, None };

// The session named by KELVARO_BACKEND ("x11", "sway", "kde", "gnome"), else
// the one the environment tells: SWAYSOCK set or XDG_CURRENT_DESKTOP naming
// sway gives sway, XDG_CURRENT_DESKTOP naming KDE gives kde, naming GNOME
// (but not GNOME Flashback or Budgie, which have no GNOME Shell) gives
// gnome, else an X display
// (DISPLAY set) gives x11, else none. *note says how it was chosen, or why
// KELVARO_BACKEND was not followed.
Session chooseSession(const QProcessEnvironment& environment, QString* note);

// This process's session, chosen once (and logged once) at first use.
Session session();

QString sessionName(Session session);

} // namespace platform
