#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

#include <optional>

// Asks the process to end, then kills it if it has not within five seconds.
void stopProcess(QProcess& process);

// A server program a test starts, which prints a line once it is ready;
// stopped when this object goes.
class ServerProcess {
public:
    ~ServerProcess() { stop(); }

    // Starts the program and waits until it is ready: the first line it
    // prints on standard output (how to reach it), or, with readyText, the
    // first line on either output that holds that text. Returns that line.
    std::optional<QString> start(const QString& program, const QStringList& arguments, QString* error,
                                 const QByteArray& readyText = {});
    void stop() { stopProcess(m_process); }

private:
    QProcess m_process;
};
