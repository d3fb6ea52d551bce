#include "platform/gnome/GnomeShellKeyMonitor.h"

#include "platform/PlatformLog.h"
#include "platform/gnome/GnomeShellExtension.h"

namespace platform {

GnomeShellKeyMonitor::GnomeShellKeyMonitor(GnomeShellExtension& extension, QObject* parent)
    : KeyMonitor(parent)
    , m_extension(extension)
{
    connect(&m_extension, &GnomeShellExtension::shortcutActivated, this, [this] {
        if (m_monitoring)
            emit keyPressed(KeyPress{PhysicalKey::P, Qt::ControlModifier | Qt::AltModifier, 0});
    });
    connect(&m_extension, &ShellExtension::stateChanged, this, [this](ShellExtension::State state) {
        m_monitoring = m_wanted && state == ShellExtension::State::Ready && grab();
    });
}

GnomeShellKeyMonitor::~GnomeShellKeyMonitor()
{
    stop();
}

bool GnomeShellKeyMonitor::grab()
{
    const auto reply = m_extension.call(QStringLiteral("GrabShortcut"), {QStringLiteral("<Control><Alt>p")},
                                        QStringLiteral("b"));
    if (reply && !reply->arguments().value(0).toBool())
        logError(QStringLiteral("GNOME Shell refuses the pause shortcut Ctrl+Alt+P: another shortcut has it"));
    return reply && reply->arguments().value(0).toBool();
}

bool GnomeShellKeyMonitor::start()
{
    m_wanted = true;
    // Until the extension answers, the shortcut is grabbed once it does.
    if (m_extension.state() != ShellExtension::State::Ready)
        return true;
    if (!m_monitoring)
        m_monitoring = grab();
    return m_monitoring;
}

void GnomeShellKeyMonitor::stop()
{
    m_wanted = false;
    if (std::exchange(m_monitoring, false))
        m_extension.call(QStringLiteral("UngrabShortcut"), {}, QString());
}

} // namespace platform
