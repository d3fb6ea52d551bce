#pragma once

#include <QProcess>
#include <QString>

// The real kelvaro program, started for a measurement in the environment of
// this process (its temporary home, its X server), and its resource figures.
class KelvaroProcess {
public:
    explicit KelvaroProcess(QString program);
    ~KelvaroProcess();

    bool start();
    void stop();
    qint64 pid() const { return m_process.processId(); }

    // Resident memory in KiB (VmRSS).
    qint64 residentKiB() const;
    // User plus system CPU time in milliseconds.
    double cpuMilliseconds() const;
    qint64 voluntaryContextSwitches() const;

private:
    QString statusField(const char* name) const;

    QString m_program;
    QProcess m_process;
};
