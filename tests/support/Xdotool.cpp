#include "Xdotool.h"

#include <QProcess>

bool xdotool(const QStringList& arguments, QString* error)
{
    QProcess process;
    process.start(QStringLiteral("xdotool"), arguments);
    if (process.waitForFinished(20000) && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0)
        return true;
    *error = QStringLiteral("xdotool %1 failed: %2 %3")
                 .arg(arguments.join(' '), process.errorString(),
                      QString::fromLocal8Bit(process.readAllStandardError()));
    return false;
}
