#pragma once

#include <QProcess>
#include <QString>

// A private D-Bus session bus daemon, stopped on destruction.
class DBusSession {
public:
    ~DBusSession();

    bool start(QString* error);
    QString address() const { return m_address; }

private:
    QProcess m_process;
    QString m_address;
};
