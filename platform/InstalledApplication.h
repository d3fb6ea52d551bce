#pragma once

#include <QIcon>
#include <QString>

#include <optional>

namespace platform {

// An installed application as the desktop lists it: on Linux, a desktop
// entry.
struct InstalledApplication {
    QString bundleIdentifier;   // the desktop-entry ID: the file name without ".desktop"
    QString path;               // the file it was read from
    std::optional<QString> localizedName;   // Name in the user's language, else Name; nothing without one
    QString iconName;           // icon theme name or absolute file path; empty when it names none

    // The icon the entry names, else the icon theme's generic application
    // icon; null only when the theme has neither.
    QIcon icon() const;
};

} // namespace platform
