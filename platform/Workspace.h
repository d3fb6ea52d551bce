#pragma once

#include "platform/InstalledApplication.h"
#include "platform/RunningApplication.h"

#include <QList>
#include <QObject>

#include <optional>

namespace platform {

// The desktop's applications: which one is in front, which ones run, and a
// notice each time one becomes active. Main thread only.
class Workspace : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    virtual std::optional<RunningApplication> frontmostApplication() = 0;
    virtual QList<RunningApplication> runningApplications() = 0;

    // The installed application with this bundle identifier (compared
    // exactly), or nothing.
    virtual std::optional<InstalledApplication> installedApplication(const QString& bundleIdentifier) = 0;
    // The application file at `path`, one the user chose: nothing when it
    // cannot be read or does not describe an application.
    virtual std::optional<InstalledApplication> applicationAt(const QString& path) = 0;
    // Where installed applications are kept, the user's own first.
    virtual QStringList applicationFolders() = 0;

signals:
    // An application became active. Carries nothing when the desktop names
    // no application for the newly active window (or no window at all).
    void applicationActivated(const std::optional<platform::RunningApplication>& application);
};

} // namespace platform
