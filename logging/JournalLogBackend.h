#pragma once

#include "logging/LogBackend.h"

namespace logging {

// Sends each line to the systemd journal with SYSLOG_IDENTIFIER "kelvaro",
// PRIORITY info (6) or err (3) and the fields SUBSYSTEM and CATEGORY. When the
// journal cannot be reached the message goes to standard error as one plain line.
class JournalLogBackend : public LogBackend {
public:
    void write(LogLevel level, const QString& subsystem, const QString& category,
               const QString& message) override;

    static void writeToStandardError(const QString& message);
};

} // namespace logging
