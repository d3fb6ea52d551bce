#pragma once

#include <QLoggingCategory>
#include <QString>

#include <memory>

namespace logging {
class LogBackend;
}

// The category of the program's own log lines: "Core".
Q_DECLARE_LOGGING_CATEGORY(lcCore)

// The program's one log channel: two levels, messages passed unchanged;
// callers build any prefix themselves. info() and error() may be called
// from any thread.
//
// The lines go through Qt's logging in the category "Core", the same path as
// the platform layer's categories and Qt's own messages: the handler that
// main() installs sends every one of them to the journal or standard error.
class Logger {
public:
    static Logger& shared();

    void info(const QString& message) const;
    void error(const QString& message) const;

    // From now on every log line of the process goes to backend, with the
    // application's identity as subsystem and the line's category: info for
    // debug and info messages, error for the rest. Returns the handler it
    // replaced.
    static QtMessageHandler installMessageHandler(std::shared_ptr<logging::LogBackend> backend);
};
