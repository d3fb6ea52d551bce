#include "platform/gnome/GnomeShellWorkspace.h"

#include "platform/gnome/GnomeShellExtension.h"
#include "platform/linux/DesktopEntryId.h"
#include "platform/linux/WindowApplication.h"

#include <QDBusArgument>

namespace platform {

GnomeShellWorkspace::GnomeShellWorkspace(GnomeShellExtension& extension, QObject* parent)
    : DesktopEntryWorkspace(parent)
    , m_extension(extension)
{
    connect(&m_extension, &GnomeShellExtension::focusedApplicationChanged, this, [this](const QDBusMessage& notice) {
        if (notice.signature() != QLatin1String("(sssu)"))
            return;
        m_frontmost = applicationOf(notice.arguments().value(0).value<QDBusArgument>());
        emit applicationActivated(m_frontmost);
    });
    // Whatever the Shell did while the extension was away is unknown: ask.
    connect(&m_extension, &ShellExtension::stateChanged, this, &GnomeShellWorkspace::readFocusedApplication);
    if (m_extension.state() == ShellExtension::State::Ready)
        readFocusedApplication();
}

void GnomeShellWorkspace::readFocusedApplication()
{
    const auto reply = m_extension.call(QStringLiteral("FocusedApplication"), {}, QStringLiteral("(sssu)"));
    const auto frontmost = reply ? applicationOf(reply->arguments().value(0).value<QDBusArgument>()) : std::nullopt;
    if (!frontmost && !m_frontmost)
        return;
    m_frontmost = frontmost;
    emit applicationActivated(m_frontmost);
}

// A window as the extension describes it: (desktop entry ID, application
// name, window class, pid).
std::optional<RunningApplication> GnomeShellWorkspace::applicationOf(const QDBusArgument& window) const
{
    QString desktopId, name, windowClass;
    uint pid = 0;
    window.beginStructure();
    window >> desktopId >> name >> windowClass >> pid;
    window.endStructure();
    if (pid == 0)
        return std::nullopt;
    RunningApplication application = RunningApplication::forProcess(pid);
    const auto declaredId = desktopId.isEmpty() ? std::nullopt
                                                : std::optional<QString>(DesktopEntryId::withoutSuffix(desktopId));
    describeApplication(m_desktopEntries, WindowIdentity{windowClass, windowClass, declaredId}, application);
    if (!application.localizedName && !name.isEmpty())
        application.localizedName = name;
    application.activationPolicy = ActivationPolicy::Regular;
    return application;
}

std::optional<RunningApplication> GnomeShellWorkspace::frontmostApplication()
{
    return m_frontmost;
}

QList<RunningApplication> GnomeShellWorkspace::runningApplications()
{
    QList<RunningApplication> running;
    const auto reply = m_extension.call(QStringLiteral("RunningApplications"), {}, QStringLiteral("a(sssu)"));
    if (!reply)
        return running;
    const QDBusArgument windows = reply->arguments().value(0).value<QDBusArgument>();
    windows.beginArray();
    while (!windows.atEnd()) {
        if (const auto application = applicationOf(windows))
            RunningApplication::addUnlisted(running, *application);
    }
    windows.endArray();
    return running;
}

} // namespace platform
