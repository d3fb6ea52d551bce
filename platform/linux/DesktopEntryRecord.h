#pragma once

#include "platform/linux/DesktopEntryIndex.h"

#include <optional>

namespace platform {

// What the desktop entry index keeps of one entry.
struct DesktopEntryRecord {
    DesktopEntry entry;
    QString startupWmClass;
    bool noDisplay = false;

    // How an entry is read. An installed one as GIO reads it: the "Desktop
    // Entry" group first, of Type Application, with the programs its TryExec
    // and Exec name found, and not Hidden (the user deleted it). One the user
    // chose needs only the group and the Type: they picked it deliberately.
    enum class Reading { Installed, Chosen };

    // The record of an entry file's contents, under its desktop-entry ID
    // (".desktop" optional); nothing when it does not pass the reading.
    static std::optional<DesktopEntryRecord> fromContents(const QByteArray& contents, const QString& id,
                                                          Reading reading = Reading::Installed);

    bool operator==(const DesktopEntryRecord&) const = default;
};

} // namespace platform
