#include "DBusSession.h"

#include <QDeadlineTimer>

DBusSession::~DBusSession()
{
    if (m_process.state() != QProcess::NotRunning) {
        m_process.terminate();
        if (!m_process.waitForFinished(5000))
            m_process.kill();
        m_process.waitForFinished(1000);
    }
}

bool DBusSession::start(QString* error)
{
    m_process.start(QStringLiteral("dbus-daemon"),
                    {QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--nopidfile"),
                     QStringLiteral("--print-address=1")});
    if (!m_process.waitForStarted(5000)) {
        *error = QStringLiteral("cannot start dbus-daemon: %1").arg(m_process.errorString());
        return false;
    }
    QByteArray printed;
    const QDeadlineTimer deadline(20000);
    while (!printed.contains('\n') && !deadline.hasExpired()) {
        if (!m_process.waitForReadyRead(int(deadline.remainingTime())))
            break;
        printed += m_process.readAllStandardOutput();
    }
    m_address = QString::fromLocal8Bit(printed).trimmed();
    if (m_address.isEmpty()) {
        *error = QStringLiteral("dbus-daemon printed no address: %1")
                     .arg(QString::fromLocal8Bit(m_process.readAllStandardError()));
        return false;
    }
    return true;
}
