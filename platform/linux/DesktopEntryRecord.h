#pragma once

#include "platform/linux/DesktopEntryIndex.h"

#include <optional>

namespace platform {

// What the desktop entry index keeps of one entry.
struct DesktopEntryRecord {
    DesktopEntry entry;
    QString startupWmClass;
    bool noDisplay = false;

    // The record of an entry file's contents, under its desktop-entry ID
    // (".desktop" optional), read as GIO reads an installed entry: the
    // "Desktop Entry" group first, of Type Application, with the programs its
    // TryExec and Exec name found. Nothing when GIO would not load it, or it
    // is Hidden (the user deleted it).
    static std::optional<DesktopEntryRecord> fromContents(const QByteArray& contents, const QString& id);

    bool operator==(const DesktopEntryRecord&) const = default;
};

} // namespace platform
