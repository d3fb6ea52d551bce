#pragma once

#include "platform/Workspace.h"

namespace platform {

// In-memory workspace: tests set the frontmost and running applications and
// send activation notices themselves.
class FakeWorkspace : public Workspace {
    Q_OBJECT
public:
    using Workspace::Workspace;

    std::optional<RunningApplication> frontmost;

    std::optional<RunningApplication> frontmostApplication() override { return frontmost; }
    QList<RunningApplication> running;
    QList<InstalledApplication> installed;   // also what applicationAt() finds, by path
    QStringList folders;
    QList<RunningApplication> runningApplications() override { return running; }
    std::optional<InstalledApplication> installedApplication(const QString& bundleIdentifier) override
    {
        return find(&InstalledApplication::bundleIdentifier, bundleIdentifier);
    }
    std::optional<InstalledApplication> applicationAt(const QString& path) override
    {
        return find(&InstalledApplication::path, path);
    }
    QStringList applicationFolders() override { return folders; }

    // Brings an application to the front and sends the notice (an empty
    // notice when application is nothing).
    void activate(const std::optional<RunningApplication>& application)
    {
        if (application)
            frontmost = application;
        emit applicationActivated(application);
    }

    std::optional<InstalledApplication> find(QString InstalledApplication::*field, const QString& value) const
    {
        const auto found = std::find_if(installed.cbegin(), installed.cend(), [&](const auto& a) { return a.*field == value; });
        return found == installed.cend() ? std::nullopt : std::optional(*found);
    }
    static RunningApplication application(qint64 pid, const std::optional<QString>& bundleIdentifier)
    {
        RunningApplication application = RunningApplication::forProcess(pid);
        application.bundleIdentifier = bundleIdentifier;
        return application;
    }
};

} // namespace platform
