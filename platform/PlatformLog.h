#pragma once

#include <QLoggingCategory>
#include <QString>

// The platform layer's log lines, category "Platform": they reach the same
// journal as the program's own through the handler main() installs.
Q_DECLARE_LOGGING_CATEGORY(lcPlatform)

namespace platform {

inline void logError(const QString& message)
{
    qCCritical(lcPlatform, "%s", qUtf8Printable(message));
}

} // namespace platform
