#pragma once

#include <QString>

#include <optional>

namespace platform {

// Desktop-entry IDs: the file name of a desktop entry without ".desktop",
// e.g. "org.gnome.Terminal".
namespace DesktopEntryId {

// The ID with one trailing ".desktop" removed, if it has one.
QString withoutSuffix(QString id);

// The ID named by a window's _KDE_NET_WM_DESKTOP_FILE, which holds an ID or
// the path of the file; nothing when it names none.
std::optional<QString> fromFileProperty(const QString& value);

} // namespace DesktopEntryId

} // namespace platform
