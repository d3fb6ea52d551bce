#pragma once

#include "platform/LogBackend.h"

#include <QString>

#include <atomic>
#include <memory>

// The program's one log channel: two levels, one subsystem, category "Core".
// Messages go to the backend unchanged; callers build any prefix themselves.
// info() and error() may be called from any thread.
class Logger {
public:
    static Logger& shared();

    explicit Logger(std::shared_ptr<platform::LogBackend> backend);

    void info(const QString& message) const;
    void error(const QString& message) const;

    QString subsystem() const { return m_subsystem; }
    static QString category() { return QStringLiteral("Core"); }

    // Replaces where lines go and returns the previous backend; tests capture
    // lines this way.
    std::shared_ptr<platform::LogBackend> setBackend(std::shared_ptr<platform::LogBackend> backend);

private:
    void write(platform::LogLevel level, const QString& message) const;

    QString m_subsystem;
    std::atomic<std::shared_ptr<platform::LogBackend>> m_backend;
};
