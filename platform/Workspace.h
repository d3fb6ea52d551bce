#pragma once

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

signals:
    // An application became active. Carries nothing when the desktop names
    // no application for the newly active window (or no window at all).
    void applicationActivated(const std::optional<platform::RunningApplication>& application);
};

} // namespace platform
