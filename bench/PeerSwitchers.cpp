#include "PeerSwitchers.h"

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
// announces layouts on the session bus, the benchmark's private one.
std::unique_ptr<SwitcherProcess> setUpKbdd(QString* whyNot)
{
    const QString program = findProgram(QStringLiteral("kbdd"), whyNot);
    if (program.isEmpty())
        return nullptr;
    auto process = std::make_unique<SwitcherProcess>(QStringLiteral("kbdd"), program, QStringList{QStringLiteral("-n")});
    process->dropErrors();   // it reports every event it sees in the foreground
    return process;
}

// xxkb: an X client configured by ~/.xxkbrc (over app-defaults/XXkb). Only
// its per-window memory is wanted: no main window, no buttons on the windows
// (both would be windows of its own that take part in focus), no bell, and
// every group reachable rather than two chosen ones.
std::unique_ptr<SwitcherProcess> setUpXxkb(QString* whyNot)
{
    const QString program = findProgram(QStringLiteral("xxkb"), whyNot);
    if (program.isEmpty())
        return nullptr;
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
        return nullptr;
    }
    configuration.close();
    return std::make_unique<SwitcherProcess>(QStringLiteral("xxkb"), program);
}

} // namespace

QList<PeerSwitcher> peerSwitchers()
{
    return {
        {QStringLiteral("kbdd"), QStringLiteral("daemon, restores the group each window last had"), setUpKbdd},
        {QStringLiteral("xxkb"), QStringLiteral("X client, restores the group each window last had"), setUpXxkb},
    };
}
