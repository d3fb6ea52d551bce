#include "PeerSwitchers.h"

#include "DBusSession.h"
#include "TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

namespace {

QString findProgram(const QString& name, QString* whyNot)
{
    const QString path = QStandardPaths::findExecutable(name);
    if (path.isEmpty())
        *whyNot = QStringLiteral("%1 is not installed (scripts/install-deps installs it)").arg(name);
    return path;
}

// kbdd: a daemon. In the foreground (-n), so that it can be stopped; it
// announces layouts on the session bus, so it gets a private one (without one
// libdbus would launch a bus of its own through X11 and leave it running).
PeerInstance setUpKbdd(QString* whyNot)
{
    PeerInstance peer;
    const QString program = findProgram(QStringLiteral("kbdd"), whyNot);
    if (program.isEmpty())
        return peer;
    peer.sessionBus = std::make_unique<DBusSession>();
    if (!peer.sessionBus->start(whyNot))
        return peer;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), peer.sessionBus->address());
    peer.process = std::make_unique<SwitcherProcess>(QStringLiteral("kbdd"), program, QStringList{QStringLiteral("-n")},
                                                     environment);
    peer.process->dropErrors();   // it reports every event it sees in the foreground
    return peer;
}

// xxkb: an X client configured by ~/.xxkbrc (over app-defaults/XXkb). Only
// its per-window memory is wanted: no main window, no buttons on the windows
// (both would be windows of its own that take part in focus), no bell, and
// every group reachable rather than two chosen ones.
PeerInstance setUpXxkb(QString* whyNot)
{
    PeerInstance peer;
    const QString program = findProgram(QStringLiteral("xxkb"), whyNot);
    if (program.isEmpty())
        return peer;
    // The benchmark's own home, which is also the HOME the peer is started with.
    QFile configuration(QDir(TestEnvironment::current().root()).filePath(QStringLiteral("home/.xxkbrc")));
    const QByteArray text = "XXkb.mainwindow.enable: no\n"
                            "XXkb.button.enable: no\n"
                            "XXkb.controls.add_when_start: yes\n"
                            "XXkb.controls.add_when_create: yes\n"
                            "XXkb.controls.add_when_change: no\n"
                            "XXkb.controls.focusout: no\n"
                            "XXkb.controls.two_state: no\n"
                            "XXkb.bell.enable: no\n";
    if (!configuration.open(QIODevice::WriteOnly) || configuration.write(text) != text.size()) {
        *whyNot = QStringLiteral("cannot write %1").arg(configuration.fileName());
        return peer;
    }
    configuration.close();
    peer.process = std::make_unique<SwitcherProcess>(QStringLiteral("xxkb"), program);
    return peer;
}

} // namespace

PeerInstance::PeerInstance() = default;
PeerInstance::~PeerInstance() = default;
PeerInstance::PeerInstance(PeerInstance&&) noexcept = default;
PeerInstance& PeerInstance::operator=(PeerInstance&&) noexcept = default;

QList<PeerSwitcher> peerSwitchers()
{
    return {
        {QStringLiteral("kbdd"), QStringLiteral("daemon, restores the group each window last had"), setUpKbdd},
        {QStringLiteral("xxkb"), QStringLiteral("X client, restores the group each window last had"), setUpXxkb},
    };
}
