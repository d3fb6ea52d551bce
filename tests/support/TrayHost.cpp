#include "TrayHost.h"

#include "ServerProcess.h"
#include "platform/linux/XcbReply.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QThread>

#include <xcb/xcb.h>


namespace {

// Whether some client owns the system tray selection of screen 0.
bool trayIsClaimed()
{
    xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
    bool claimed = false;
    if (!xcb_connection_has_error(connection)) {
        const char name[] = "_NET_SYSTEM_TRAY_S0";
        const platform::XcbReply<xcb_intern_atom_reply_t> atom(
            xcb_intern_atom_reply(connection, xcb_intern_atom(connection, 0, sizeof(name) - 1, name), nullptr));
        if (atom) {
            const platform::XcbReply<xcb_get_selection_owner_reply_t> owner(
                xcb_get_selection_owner_reply(connection, xcb_get_selection_owner(connection, atom->atom), nullptr));
            claimed = owner && owner->owner != XCB_WINDOW_NONE;
        }
    }
    xcb_disconnect(connection);
    return claimed;
}

} // namespace

TrayHost::~TrayHost()
{
    stopProcess(m_tray);
    stopProcess(m_windowManager);
}

bool TrayHost::startProgram(QProcess& process, const QString& program, const QStringList& arguments, QString* error)
{
    // The programs see the system's data folders too: openbox ends at once without its themes.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_DATA_DIRS"),
                       environment.value(QStringLiteral("XDG_DATA_DIRS")) + QStringLiteral(":/usr/local/share:/usr/share"));
    process.setProcessEnvironment(environment);
    process.setProcessChannelMode(QProcess::ForwardedChannels);
    process.start(program, arguments);
    if (!process.waitForStarted(5000)) {
        *error = QStringLiteral("cannot start %1: %2").arg(program, process.errorString());
        return false;
    }
    return true;
}

bool TrayHost::start(const QString& readyMarkerFolder, QString* error)
{
    // The tray is started once the window manager has finished starting (it
    // then runs its start-up command): a panel mapped while the manager is
    // still starting may never be shown.
    const QString ready = QDir(readyMarkerFolder).filePath(QStringLiteral("openbox-ready"));
    QFile::remove(ready);
    if (!startProgram(m_windowManager, QStringLiteral("openbox"),
                      {QStringLiteral("--sm-disable"), QStringLiteral("--startup"), QStringLiteral("touch ") + ready},
                      error))
        return false;
    const QDeadlineTimer deadline(20000);
    while (!QFile::exists(ready) && !deadline.hasExpired())
        QThread::msleep(20);
    if (!QFile::exists(ready)) {
        *error = QStringLiteral("openbox did not finish starting");
        return false;
    }
    if (!startProgram(m_tray, QStringLiteral("trayer"),
                      {"--edge", "top", "--align", "right", "--widthtype", "request", "--height", "32",
                       "--SetDockType", "true", "--transparent", "false", "--tint", "0x303030"},
                      error))
        return false;
    while (!trayIsClaimed() && !deadline.hasExpired())
        QThread::msleep(20);
    if (!trayIsClaimed()) {
        *error = QStringLiteral("trayer did not claim the system tray");
        return false;
    }
    return true;
}

bool TrayHost::isRunning() const
{
    return m_windowManager.state() == QProcess::Running && m_tray.state() == QProcess::Running;
}
