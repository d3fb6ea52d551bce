#pragma once

#include <QString>

#include <optional>

namespace platform {

struct DesktopEntry {
    QString id;        // file name without ".desktop", e.g. "org.gnome.Terminal"
    QString name;      // the localized Name
    QString iconName;  // Icon: a theme name or an absolute path; may be empty
};

// Finds the desktop entries (read with GIO from the XDG data folders) that
// describe running applications.
class DesktopEntryIndex {
public:
    // The entry with this desktop-entry ID ("org.gnome.Terminal", ".desktop" optional).
    std::optional<DesktopEntry> entryForId(const QString& id) const;
    // The entry whose StartupWMClass, else whose ID, equals the WM_CLASS class
    // or instance name.
    std::optional<DesktopEntry> entryForWindowClass(const QString& instanceName, const QString& className) const;
};

} // namespace platform
