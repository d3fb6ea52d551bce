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

    bool operator==(const DesktopEntry&) const = default;
};

// Finds the desktop entries (in the applications folders of the XDG data
// folders, each read as GIO reads it) that describe running applications.
// The folders are scanned on a thread of their own from the start, and again
// after their files change; lookups meanwhile use the entries of the last
// scan. Before the first scan is done, the first lookup waits for it briefly,
// later ones read only the file the ID names. Main thread only.
class DesktopEntryIndex {
public:
    DesktopEntryIndex();
    ~DesktopEntryIndex();
    DesktopEntryIndex(const DesktopEntryIndex&) = delete;
    DesktopEntryIndex& operator=(const DesktopEntryIndex&) = delete;

    // The entry with this desktop-entry ID ("org.gnome.Terminal", ".desktop"
    // optional); the file it was read from goes to *path, when asked for.
    std::optional<DesktopEntry> entryForId(const QString& id, QString* path = nullptr) const;
    // The entry whose StartupWMClass, else whose ID, equals the WM_CLASS class
    // or instance name.
    std::optional<DesktopEntry> entryForWindowClass(const QString& instanceName, const QString& className) const;

    // Called (from the event loop) when the installed desktop entries changed,
    // or the first scan ended after lookups were answered without it, so that
    // results derived from earlier lookups can be dropped.
    void setChangeHandler(std::function<void()> handler);

private:
    struct Entries;
    std::unique_ptr<Entries> m_entries;
};

} // namespace platform
