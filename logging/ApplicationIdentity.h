#pragma once

#include <QString>

// Who this process is: organization and application "Kelvaro", the build's
// version, and the identifier "com.kelvaro.Kelvaro", which the log names as
// its subsystem.
namespace ApplicationIdentity {

inline constexpr char kDesktopEntryId[] = "com.kelvaro.Kelvaro";
// The name of the desktop entry the package installs (kelvaro.desktop): how
// the desktop finds Kelvaro's name and icon for its windows and notifications.
inline constexpr char kDesktopFileName[] = "kelvaro";

// Names the process. The first thing main() does, before anything can log;
// callable before the application object exists.
void establish();

// The identifier once established; "com.kelvaro" before. Callable
// from any thread.
QString bundleIdentifier();

} // namespace ApplicationIdentity
