#pragma once

#include "platform/linux/DesktopEntryIndex.h"

#include <optional>

// GIO's type, as gdesktopappinfo.h declares it; that header is kept out of
// ours because GLib names a struct member "signals".
typedef struct _GDesktopAppInfo GDesktopAppInfo;

namespace platform {

// What the desktop entry index keeps of one entry.
struct DesktopEntryRecord {
    DesktopEntry entry;
    QString startupWmClass;
    bool noDisplay = false;

    // The record of an entry GIO has read, under its desktop-entry ID
    // (".desktop" optional); nothing for a Hidden entry, which the user deleted.
    static std::optional<DesktopEntryRecord> fromAppInfo(GDesktopAppInfo* info, const QString& id);
    // The record of an entry file's contents, read as GIO reads an installed
    // entry (an application with a Type, an Exec or D-Bus activation and a
    // TryExec that is found); nothing when GIO would not load it or it is Hidden.
    static std::optional<DesktopEntryRecord> fromContents(const QByteArray& contents, const QString& id);

    bool operator==(const DesktopEntryRecord&) const = default;
};

} // namespace platform
