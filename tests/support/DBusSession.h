#pragma once

#include "ServerProcess.h"

#include <QString>

// A private D-Bus session bus daemon, stopped on destruction.
class DBusSession {
public:
    bool start(QString* error);
    QString address() const { return m_address; }

private:
    ServerProcess m_daemon;
    QString m_address;
};
