#include "DesktopServices.h"

#include "ServerProcess.h"
#include "platform/linux/XcbReply.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QThread>

#include <xcb/xcb.h>

namespace {

using platform::XcbReply;

xcb_atom_t internAtom(xcb_connection_t* connection, const char* name)
{
    const XcbReply<xcb_intern_atom_reply_t> atom(
        xcb_intern_atom_reply(connection, xcb_intern_atom(connection, 0, uint16_t(qstrlen(name)), name), nullptr));
    return atom ? atom->atom : xcb_atom_t(XCB_ATOM_NONE);
}

bool trayIsClaimed()
{
    xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
    bool claimed = false;
    if (!xcb_connection_has_error(connection)) {
        const XcbReply<xcb_get_selection_owner_reply_t> owner(xcb_get_selection_owner_reply(
            connection, xcb_get_selection_owner(connection, internAtom(connection, "_NET_SYSTEM_TRAY_S0")), nullptr));
        claimed = owner && owner->owner != XCB_WINDOW_NONE;
    }
    xcb_disconnect(connection);
    return claimed;
}

bool startProgram(QProcess& process, const QString& program, const QStringList& arguments, QString* error)
{
    // The system's data folders too: openbox ends at once without its themes.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_DATA_DIRS"), environment.value(QStringLiteral("XDG_DATA_DIRS"))
                                                             + QStringLiteral(":/usr/local/share:/usr/share"));
    process.setProcessEnvironment(environment);
    process.setProcessChannelMode(QProcess::ForwardedChannels);
    process.start(program, arguments);
    if (!process.waitForStarted(5000)) {
        *error = QStringLiteral("cannot start %1: %2").arg(program, process.errorString());
        return false;
    }
    return true;
}

} // namespace

SystemTray::~SystemTray()
{
    stopProcess(m_process);
}

bool SystemTray::start(QString* error)
{
    if (!startProgram(m_process, QStringLiteral("trayer"),
                      {"--edge", "top", "--align", "right", "--widthtype", "request", "--height", "32",
                       "--SetDockType", "true", "--transparent", "false", "--tint", "0x303030"},
                      error))
        return false;
    const QDeadlineTimer deadline(20000);
    while (!trayIsClaimed() && !deadline.hasExpired())
        QThread::msleep(20);
    if (!trayIsClaimed()) {
        *error = QStringLiteral("trayer did not claim the system tray");
        return false;
    }
    return true;
}

WindowManager::~WindowManager()
{
    stopProcess(m_process);
}

bool WindowManager::start(const QString& readyMarkerFolder, QString* error)
{
    const QString ready = QDir(readyMarkerFolder).filePath(QStringLiteral("window-manager-ready"));
    QFile::remove(ready);
    if (!startProgram(m_process, QStringLiteral("openbox"),
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
    return true;
}

bool hasViewableWindow(xcb_connection_t* connection, xcb_window_t parent, xcb_atom_t pidAtom, quint32 pid)
{
    XcbReply<xcb_query_tree_reply_t> tree(xcb_query_tree_reply(connection, xcb_query_tree(connection, parent), nullptr));
    if (!tree)
        return false;
    const xcb_window_t* children = xcb_query_tree_children(tree.get());
    for (int i = 0; i < xcb_query_tree_children_length(tree.get()); ++i) {
        XcbReply<xcb_get_window_attributes_reply_t> attributes(
            xcb_get_window_attributes_reply(connection, xcb_get_window_attributes(connection, children[i]), nullptr));
        if (!attributes || attributes->map_state != XCB_MAP_STATE_VIEWABLE)
            continue;
        XcbReply<xcb_get_property_reply_t> property(xcb_get_property_reply(
            connection, xcb_get_property(connection, 0, children[i], pidAtom, XCB_ATOM_CARDINAL, 0, 1), nullptr));
        if (property && xcb_get_property_value_length(property.get()) == 4
            && *static_cast<const quint32*>(xcb_get_property_value(property.get())) == pid)
            return true;
        if (hasViewableWindow(connection, children[i], pidAtom, pid))
            return true;
    }
    return false;
}
