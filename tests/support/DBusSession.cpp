#include "DBusSession.h"

bool DBusSession::start(QString* error)
{
    const auto address = m_daemon.start(QStringLiteral("dbus-daemon"),
                                        {QStringLiteral("--session"), QStringLiteral("--nofork"),
                                         QStringLiteral("--nopidfile"), QStringLiteral("--print-address=1")},
                                        error);
    m_address = address.value_or(QString());
    return address.has_value();
}
