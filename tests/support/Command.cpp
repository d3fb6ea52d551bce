#include "Command.h"

#include <QProcess>

std::optional<QByteArray> runCommand(const QString& program, const QStringList& arguments, QString* error,
                                     int timeoutMs)
{
    QProcess process;
    process.start(program, arguments);
    if (process.waitForFinished(timeoutMs) && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0)
        return process.readAllStandardOutput();
    *error = QStringLiteral("%1 %2 failed: %3 %4")
                 .arg(program, arguments.join(' '), process.errorString(),
                      QString::fromLocal8Bit(process.readAllStandardOutput() + process.readAllStandardError()));
    return std::nullopt;
}
