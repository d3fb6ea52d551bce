#pragma once

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

// A switcher under measurement (Kelvaro, the floor or a peer), started in this
// process's environment (its temporary home, its X server) unless given
// another. Its output is dropped; its errors pass through unless asked not to.
// Stopped when this object goes.
class SwitcherProcess {
public:
    SwitcherProcess(QString name, QString program, QStringList arguments = {},
                    const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment());
    ~SwitcherProcess();
    SwitcherProcess(const SwitcherProcess&) = delete;
    SwitcherProcess& operator=(const SwitcherProcess&) = delete;

    const QString& name() const { return m_name; }
    void dropErrors();
    // Its errors (and log lines) go to the end of this file instead.
    void writeErrorsTo(const QString& path);
    bool start();
    void stop();
    bool isRunning() const { return m_process.state() == QProcess::Running; }
    qint64 pid() const { return m_process.processId(); }

    // Resident memory in KiB (VmRSS).
    qint64 residentKiB() const;
    // User plus system CPU time of all threads, in milliseconds.
    double cpuMilliseconds() const;
    // CPU time of all threads so far, in microseconds (the scheduler's own
    // count, far finer than the tick-based figure above).
    double cpuMicroseconds() const;
    // Voluntary context switches of each thread, by thread name and id: a
    // thread that waits for something and is woken counts one each time.
    QList<QPair<QString, qint64>> wakeupsByThread() const;
    qint64 wakeups() const;

private:
    QString m_name;
    QString m_program;
    QStringList m_arguments;
    QProcess m_process;
};
