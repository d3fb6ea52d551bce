#include "XvfbServer.h"

#include <QProcess>

bool XvfbServer::start(const QStringList& layouts, const QStringList& variants, QString* error)
{
    // -displayfd 1: the server picks a free display number and prints it once it accepts clients.
    const auto number = m_server.start(
        "Xvfb", {"-displayfd", "1", "-noreset", "-nolisten", "tcp", "-screen", "0", "1440x900x24"}, error);
    m_displayName = ":" + number.value_or(QString());
    return number && setLayouts(layouts, variants, error);
}

bool XvfbServer::setLayouts(const QStringList& layouts, const QStringList& variants, QString* error)
{
    // The rules named, not taken from _XKB_RULES_NAMES: a test may have
    // deleted it, and setxkbmap's own default gives other keycodes.
    QStringList arguments{"-display", m_displayName, "-rules", "evdev", "-layout", layouts.join(',')};
    if (!variants.isEmpty())
        arguments << "-variant" << variants.join(',');
    QProcess setxkbmap;
    setxkbmap.start("setxkbmap", arguments);
    if (setxkbmap.waitForFinished(20000) && setxkbmap.exitStatus() == QProcess::NormalExit
        && setxkbmap.exitCode() == 0)
        return true;
    *error = QStringLiteral("setxkbmap %1 failed: %2%3")
                 .arg(arguments.join(' '), setxkbmap.errorString(),
                      QString::fromLocal8Bit(setxkbmap.readAllStandardError()));
    return false;
}
