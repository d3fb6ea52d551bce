#include "SwitcherProcess.h"

#include "ServerProcess.h"

#include <QDir>
#include <QFile>

#include <unistd.h>

namespace {

QString statusField(const QString& path, const char* name)
{
    QFile status(path);
    if (!status.open(QIODevice::ReadOnly))
        return {};
    const QByteArray prefix = QByteArray(name) + ':';
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(prefix))
            return QString::fromLatin1(line.mid(prefix.size())).simplified();
    }
    return {};
}

} // namespace

SwitcherProcess::SwitcherProcess(QString name, QString program, QStringList arguments,
                                 const QProcessEnvironment& environment)
    : m_name(std::move(name))
    , m_program(std::move(program))
    , m_arguments(std::move(arguments))
{
    m_process.setProcessEnvironment(environment);
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_process.setStandardOutputFile(QProcess::nullDevice());
}

SwitcherProcess::~SwitcherProcess()
{
    stop();
}

void SwitcherProcess::dropErrors()
{
    m_process.setProcessChannelMode(QProcess::SeparateChannels);
    m_process.setStandardErrorFile(QProcess::nullDevice());
}

void SwitcherProcess::writeErrorsTo(const QString& path)
{
    m_process.setProcessChannelMode(QProcess::SeparateChannels);
    m_process.setStandardErrorFile(path, QIODevice::Append);
}

bool SwitcherProcess::start()
{
    m_process.start(m_program, m_arguments);
    return m_process.waitForStarted(5000);
}

void SwitcherProcess::stop()
{
    stopProcess(m_process);
}

qint64 SwitcherProcess::residentKiB() const
{
    return statusField(QStringLiteral("/proc/%1/status").arg(pid()), "VmRSS").section(QLatin1Char(' '), 0, 0).toLongLong();
}

double SwitcherProcess::cpuMilliseconds() const
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

double SwitcherProcess::cpuMicroseconds() const
{
    double total = 0;
    const QDir tasks(QStringLiteral("/proc/%1/task").arg(pid()));
    for (const QString& task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile schedstat(tasks.filePath(task + QStringLiteral("/schedstat")));
        // The first field is the time spent on a CPU, in nanoseconds.
        if (schedstat.open(QIODevice::ReadOnly))
            total += schedstat.readAll().split(' ').value(0).toDouble() / 1000.0;
    }
    return total;
}

QList<QPair<QString, qint64>> SwitcherProcess::wakeupsByThread() const
{
    QList<QPair<QString, qint64>> threads;
    const QDir tasks(QStringLiteral("/proc/%1/task").arg(pid()));
    for (const QString& task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name)) {
        const QString status = tasks.filePath(task + QStringLiteral("/status"));
        threads.append({statusField(status, "Name") + QLatin1Char(' ') + task,
                        statusField(status, "voluntary_ctxt_switches").toLongLong()});
    }
    return threads;
}

qint64 SwitcherProcess::wakeups() const
{
    qint64 total = 0;
    for (const auto& thread : wakeupsByThread())
        total += thread.second;
    return total;
}
