#include "ServerProcess.h"

#include <QDeadlineTimer>

#include <csignal>
#include <sys/prctl.h>

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

std::optional<QString> ServerProcess::start(const QString& program, const QStringList& arguments, QString* error,
                                            const QByteArray& readyText)
{
    if (!readyText.isEmpty())
        m_process.setProcessChannelMode(QProcess::MergedChannels);
    // A test program that ends abruptly (a crash, a watchdog) takes its servers with it.
    m_process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
    m_process.start(program, arguments);
    if (!m_process.waitForStarted(5000)) {
        *error = QStringLiteral("cannot start %1: %2").arg(program, m_process.errorString());
        return std::nullopt;
    }
    QByteArray printed;
    const QDeadlineTimer deadline(20000);
    while (m_process.waitForReadyRead(int(deadline.remainingTime()))) {
        printed += m_process.readAll();
        const QList<QByteArray> lines = printed.split('\n');
        for (qsizetype i = 0; i + 1 < lines.size(); ++i) {   // the last piece is not a whole line yet
            const QString line = QString::fromLocal8Bit(lines[i]).trimmed();
            if (!line.isEmpty() && (readyText.isEmpty() || lines[i].contains(readyText)))
                return line;
        }
    }
    *error = QStringLiteral("%1 did not say it was ready: %2")
                 .arg(program, QString::fromLocal8Bit(printed + m_process.readAllStandardError()));
    return std::nullopt;
}
