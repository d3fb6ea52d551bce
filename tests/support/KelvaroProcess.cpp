#include "KelvaroProcess.h"

#include "ServerProcess.h"

#include <QCoreApplication>
#include <QDir>


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

bool KelvaroProcess::start(const QStringList& arguments)
{
    const QStringList command = m_launcher + QStringList{m_program} + arguments;
    m_process.start(command.first(), command.mid(1));
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
