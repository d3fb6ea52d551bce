#include "DBusSession.h"

bool DBusSession::start(QString* error)
{
    const auto address =
        m_daemon.start("dbus-daemon", {"--session", "--nofork", "--nopidfile", "--print-address=1"}, error);
    m_address = address.value_or(QString());
    return address.has_value();
}
