#include "XvfbServer.h"

#include <QDeadlineTimer>

XvfbServer::~XvfbServer()
{
    if (m_process.state() != QProcess::NotRunning) {
        m_process.terminate();
        if (!m_process.waitForFinished(5000))
            m_process.kill();
        m_process.waitForFinished(1000);
    }
}

bool XvfbServer::start(const QStringList& layouts, const QStringList& variants, QString* error)
{
    // -displayfd 1: the server picks a free display number and prints it once it accepts clients.
    m_process.setProgram(QStringLiteral("Xvfb"));
    m_process.setArguments({QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-noreset"),
                            QStringLiteral("-nolisten"), QStringLiteral("tcp"), QStringLiteral("-screen"),
                            QStringLiteral("0"), QStringLiteral("1440x900x24")});
    m_process.setProcessChannelMode(QProcess::SeparateChannels);
    m_process.start();
    if (!m_process.waitForStarted(5000)) {
        *error = QStringLiteral("cannot start Xvfb: %1").arg(m_process.errorString());
        return false;
    }
    QByteArray printed;
    const QDeadlineTimer deadline(20000);
    while (!printed.contains('\n') && !deadline.hasExpired()) {
        if (!m_process.waitForReadyRead(int(deadline.remainingTime())))
            break;
        printed += m_process.readAllStandardOutput();
    }
    bool ok = false;
    const int number = printed.trimmed().toInt(&ok);
    if (!ok) {
        *error = QStringLiteral("Xvfb did not report a display: %1")
                     .arg(QString::fromLocal8Bit(m_process.readAllStandardError()));
        return false;
    }
    m_displayName = QStringLiteral(":%1").arg(number);
    return setLayouts(layouts, variants, error);
}

bool XvfbServer::setLayouts(const QStringList& layouts, const QStringList& variants, QString* error)
{
    QStringList arguments{QStringLiteral("-display"), m_displayName, QStringLiteral("-layout"), layouts.join(',')};
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
