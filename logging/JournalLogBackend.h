#pragma once

#include "logging/LogBackend.h"

namespace logging {

// Sends each line to the systemd journal with SYSLOG_IDENTIFIER "kelvaro",
// PRIORITY info (6) or err (3) and the fields SUBSYSTEM and CATEGORY, and also
// to standard error as one plain line unless standard error is itself a journal
// stream (a systemd unit's). When the journal cannot be reached the line goes
// to standard error only.
class JournalLogBackend : public LogBackend {
public:
    // journalSocket: where the journal listens; another path only in tests.
    explicit JournalLogBackend(const char* journalSocket = kJournalSocket);

    void write(LogLevel level, const QString& subsystem, const QString& category,
               const QString& message) override;

    static void writeToStandardError(const QString& message);

    // Whether standard error is the stream JOURNAL_STREAM names ("<device>:<inode>").
    static bool standardErrorIsJournalStream();

    static constexpr const char* kJournalSocket = "/run/systemd/journal/socket";

private:
    const char* m_journalSocket;
    // Decided once: the process's standard error does not change while it logs.
    bool m_echoToStandardError;
};

} // namespace logging
