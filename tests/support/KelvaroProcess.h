#pragma once

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include <optional>

// The real kelvaro program, started by a test in the given
// environment (by default this process's: its temporary home, its X server).
// Its output is dropped; its errors pass through, or are kept for
// errorOutput(). Stopped when this object goes.
class KelvaroProcess {
public:
    enum class Errors { PassThrough, Keep };

    explicit KelvaroProcess(const QString& program,
                            const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment(),
                            Errors errors = Errors::PassThrough);
    ~KelvaroProcess();
    KelvaroProcess(const KelvaroProcess&) = delete;
    KelvaroProcess& operator=(const KelvaroProcess&) = delete;

    // The program built beside the running test.
    static QString besideThisProgram();

    // Starts the program through this command instead: the program's path
    // follows its last argument.
    void setLauncher(const QStringList& command) { m_launcher = command; }
    bool start(const QStringList& arguments = {});
    // Asks it to end, then kills it if it does not.
    void stop();
    // Kills it at once, as a crash would end it.
    void crash();
    bool isRunning() const { return m_process.state() == QProcess::Running; }
    // The status it ended with by itself (waiting up to the given time), or
    // nothing while it runs or after a crash.
    std::optional<int> exitCode(int waitMilliseconds);
    qint64 pid() const { return m_process.processId(); }
    // With Errors::Keep: what it wrote to standard error so far.
    QByteArray errorOutput() { return m_errors += m_process.readAllStandardError(); }

private:
    QString m_program;
    QStringList m_launcher;
    QProcess m_process;
    QByteArray m_errors;
};
