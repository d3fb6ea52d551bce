#include "ServerProcess.h"

#include <QDeadlineTimer>

ServerProcess::~ServerProcess()
{
    stop();
}

void stopProcess(QProcess& process)
{
    if (process.state() == QProcess::NotRunning)
        return;
    process.terminate();
    if (!process.waitForFinished(5000)) {
        process.kill();
        process.waitForFinished(5000);
    }
}

void ServerProcess::stop()
{
    stopProcess(m_process);
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
