#include "KelvaroProcess.h"

#include "ServerProcess.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <unistd.h>

KelvaroProcess::KelvaroProcess(const QString& program, const QProcessEnvironment& environment, Errors errors)
    : m_program(program)
{
    // The program picks its own platform; the tests' off-screen one is not for it.
    QProcessEnvironment programEnvironment = environment;
    programEnvironment.remove(QStringLiteral("QT_QPA_PLATFORM"));
    m_process.setProcessEnvironment(programEnvironment);
    m_process.setProcessChannelMode(errors == Errors::Keep ? QProcess::SeparateChannels
                                                           : QProcess::ForwardedErrorChannel);
    m_process.setStandardOutputFile(QProcess::nullDevice());
}

KelvaroProcess::~KelvaroProcess()
{
    stop();
}

QString KelvaroProcess::besideThisProgram()
{
    return QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("kelvaro"));
}

bool KelvaroProcess::start()
{
    m_process.start(m_program, {});
    return m_process.waitForStarted(5000);
}

void KelvaroProcess::stop()
{
    stopProcess(m_process);
}

void KelvaroProcess::crash()
{
    m_process.kill();
    m_process.waitForFinished(5000);
}

std::optional<int> KelvaroProcess::exitCode(int waitMilliseconds)
{
    if (m_process.state() != QProcess::NotRunning)
        m_process.waitForFinished(waitMilliseconds);
    if (m_process.state() != QProcess::NotRunning || m_process.exitStatus() != QProcess::NormalExit)
        return std::nullopt;
    return m_process.exitCode();
}

QString KelvaroProcess::statusField(const char* name) const
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid()));
    if (!status.open(QIODevice::ReadOnly))
        return {};
    const QByteArray prefix = QByteArray(name) + ':';
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(prefix))
            return QString::fromLatin1(line.mid(prefix.size())).simplified();
    }
    return {};
}

qint64 KelvaroProcess::residentKiB() const
{
    return statusField("VmRSS").section(QLatin1Char(' '), 0, 0).toLongLong();
}

qint64 KelvaroProcess::voluntaryContextSwitches() const
{
    return statusField("voluntary_ctxt_switches").toLongLong();
}

double KelvaroProcess::cpuMilliseconds() const
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid()));
    if (!stat.open(QIODevice::ReadOnly))
        return -1;
    // Fields after the parenthesised command name; utime and stime are the 14th and 15th of the line.
    const QByteArray text = stat.readAll();
    const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    const double ticks = fields.value(11).toDouble() + fields.value(12).toDouble();
    return ticks * 1000.0 / double(::sysconf(_SC_CLK_TCK));
}
