#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

#include <optional>

// Asks the process to end, then kills it if it has not within five seconds.
void stopProcess(QProcess& process);

// A server program a test starts, which prints on standard output how to
// reach it once it is ready; stopped when this object goes.
class ServerProcess {
public:
    ~ServerProcess();

    // Starts the program and waits for the first line it prints.
    std::optional<QString> start(const QString& program, const QStringList& arguments, QString* error);
    void stop();

private:
    QProcess m_process;
};
