#pragma once

#include <QString>

// Who this process is: organization and application "Kelvaro", the build's
// version, and the desktop-entry ID "com.kelvaro.Kelvaro", which the log
// names as its subsystem.
namespace ApplicationIdentity {

inline constexpr char kDesktopEntryId[] = "com.kelvaro.Kelvaro";

// Names the process. The first thing main() does, before anything can log;
// callable before the application object exists.
void establish();

// The desktop-entry ID once established; "com.kelvaro" before. Callable
// from any thread.
QString bundleIdentifier();

} // namespace ApplicationIdentity
