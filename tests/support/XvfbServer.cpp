#include "XvfbServer.h"

#include <QProcess>

bool XvfbServer::start(const QStringList& layouts, const QStringList& variants, QString* error)
{
    // -displayfd 1: the server picks a free display number and prints it once it accepts clients.
    const auto number = m_server.start(QStringLiteral("Xvfb"),
                                       {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-noreset"),
                                        QStringLiteral("-nolisten"), QStringLiteral("tcp"), QStringLiteral("-screen"),
                                        QStringLiteral("0"), QStringLiteral("1440x900x24")},
                                       error);
    if (!number)
        return false;
    m_displayName = QStringLiteral(":") + *number;
    return setLayouts(layouts, variants, error);
}

bool XvfbServer::setLayouts(const QStringList& layouts, const QStringList& variants, QString* error)
{
    // The rules named, not taken from _XKB_RULES_NAMES: a test may have
    // deleted it, and setxkbmap's own default gives other keycodes.
    QStringList arguments{QStringLiteral("-display"), m_displayName, QStringLiteral("-rules"), QStringLiteral("evdev"),
                          QStringLiteral("-layout"), layouts.join(',')};
    if (!variants.isEmpty())
        arguments << QStringLiteral("-variant") << variants.join(',');
    QProcess setxkbmap;
    setxkbmap.start(QStringLiteral("setxkbmap"), arguments);
    if (!setxkbmap.waitForFinished(20000) || setxkbmap.exitStatus() != QProcess::NormalExit
        || setxkbmap.exitCode() != 0) {
        *error = QStringLiteral("setxkbmap %1 failed: %2%3")
                     .arg(arguments.join(' '), setxkbmap.errorString(),
                          QString::fromLocal8Bit(setxkbmap.readAllStandardError()));
        return false;
    }
    return true;
}
