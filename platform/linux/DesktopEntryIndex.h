#pragma once

#include <QString>

#include <functional>
#include <memory>
#include <optional>

namespace platform {

struct DesktopEntry {
    QString id;        // file name without ".desktop", e.g. "org.gnome.Terminal"
    QString name;      // the localized Name
    QString iconName;  // Icon: a theme name or an absolute path; may be empty
};

// Finds the desktop entries (read with GIO from the XDG data folders) that
// describe running applications. The entries are read at the first lookup and
// again after GIO reports that the installed applications changed. Main thread
// only.
class DesktopEntryIndex {
public:
    DesktopEntryIndex();
    ~DesktopEntryIndex();
    DesktopEntryIndex(const DesktopEntryIndex&) = delete;
    DesktopEntryIndex& operator=(const DesktopEntryIndex&) = delete;

    // The entry with this desktop-entry ID ("org.gnome.Terminal", ".desktop" optional).
    std::optional<DesktopEntry> entryForId(const QString& id) const;
    // The entry whose StartupWMClass, else whose ID, equals the WM_CLASS class
    // or instance name.
    std::optional<DesktopEntry> entryForWindowClass(const QString& instanceName, const QString& className) const;

    // Called (from the event loop) when the installed desktop entries changed,
    // so that results derived from earlier lookups can be dropped.
    void setChangeHandler(std::function<void()> handler);

private:
    struct Entries;
    std::unique_ptr<Entries> m_entries;
};

} // namespace platform
