#pragma once

#include <QString>

namespace logging {

enum class LogLevel { Info, Error };

// Where log lines go. write() may be called from any thread.
class LogBackend {
public:
    virtual ~LogBackend() = default;
    virtual void write(LogLevel level, const QString& subsystem, const QString& category,
                       const QString& message) = 0;
};

} // namespace logging
