#include "TrayHost.h"

#include "ServerProcess.h"
#include "platform/linux/XConnection.h"

#include <QDir>
#include <QFile>
#include <QTest>

namespace {

bool startProgram(QProcess& process, const QString& program, const QStringList& arguments, QString* error)
{
    // The programs see the system's data folders too: openbox ends at once without its themes.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("XDG_DATA_DIRS", environment.value("XDG_DATA_DIRS") + ":/usr/local/share:/usr/share");
    process.setProcessEnvironment(environment);
    process.setProcessChannelMode(QProcess::ForwardedChannels);
    process.start(program, arguments);
    if (process.waitForStarted(5000))
        return true;
    *error = QStringLiteral("cannot start %1: %2").arg(program, process.errorString());
    return false;
}

} // namespace

TrayHost::~TrayHost()
{
    stopProcess(m_tray);
    stopProcess(m_windowManager);
}

bool TrayHost::start(const QString& readyMarkerFolder, QString* error)
{
    // The tray is started once the window manager has finished starting (it
    // then runs its start-up command): a panel mapped while the manager is
    // still starting may never be shown.
    const QString ready = QDir(readyMarkerFolder).filePath(QStringLiteral("openbox-ready"));
    QFile::remove(ready);
    if (!startProgram(m_windowManager, "openbox", {"--sm-disable", "--startup", "touch " + ready}, error))
        return false;
    if (!QTest::qWaitFor([&] { return QFile::exists(ready); }, 20000)) {
        *error = QStringLiteral("openbox did not finish starting");
        return false;
    }
    const QStringList trayer{"--edge", "top", "--align", "right", "--widthtype", "request", "--height", "32",
                             "--SetDockType", "true", "--transparent", "false", "--tint", "0x303030"};
    const auto x = platform::XConnection::open(QString(), error);
    if (!x || !startProgram(m_tray, "trayer", trayer, error))
        return false;
    const xcb_atom_t selection = x->atom("_NET_SYSTEM_TRAY_S0");
    const auto claimed = [&] {
        const platform::XcbReply<xcb_get_selection_owner_reply_t> owner(xcb_get_selection_owner_reply(
            x->connection(), xcb_get_selection_owner(x->connection(), selection), nullptr));
        return owner && owner->owner != XCB_WINDOW_NONE;
    };
    if (!QTest::qWaitFor(claimed, 20000)) {
        *error = QStringLiteral("trayer did not claim the system tray");
        return false;
    }
    return true;
}
