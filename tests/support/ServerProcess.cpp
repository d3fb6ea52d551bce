#include "ServerProcess.h"

#include <QDeadlineTimer>

ServerProcess::~ServerProcess()
{
    stop();
}

void ServerProcess::stop()
{
    if (m_process.state() != QProcess::NotRunning) {
        m_process.terminate();
        if (!m_process.waitForFinished(5000))
            m_process.kill();
        m_process.waitForFinished(1000);
    }
}

std::optional<QString> ServerProcess::start(const QString& program, const QStringList& arguments, QString* error)
{
    m_process.start(program, arguments);
    if (!m_process.waitForStarted(5000)) {
        *error = QStringLiteral("cannot start %1: %2").arg(program, m_process.errorString());
        return std::nullopt;
    }
    QByteArray printed;
    const QDeadlineTimer deadline(20000);
    while (!printed.contains('\n') && !deadline.hasExpired()) {
        if (!m_process.waitForReadyRead(int(deadline.remainingTime())))
            break;
        printed += m_process.readAllStandardOutput();
    }
    const QString line = QString::fromLocal8Bit(printed.left(printed.indexOf('\n'))).trimmed();
    if (!printed.contains('\n') || line.isEmpty()) {
        *error = QStringLiteral("%1 did not say where to reach it: %2")
                     .arg(program, QString::fromLocal8Bit(m_process.readAllStandardError()));
        return std::nullopt;
    }
    return line;
}
