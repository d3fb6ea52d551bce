#include "FakeWorkspace.h"

namespace platform {

void FakeWorkspace::activate(const std::optional<RunningApplication>& application)
{
    if (application)
        frontmost = application;
    emit applicationActivated(application);
}

RunningApplication FakeWorkspace::application(qint64 pid, const std::optional<QString>& bundleIdentifier,
                                              const QString& name)
{
    RunningApplication application = RunningApplication::forProcess(pid);
    application.bundleIdentifier = bundleIdentifier;
    if (!name.isEmpty())
        application.localizedName = name;
    return application;
}

} // namespace platform
