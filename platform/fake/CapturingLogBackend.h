#pragma once

#include "platform/LogBackend.h"

#include <QList>
#include <QMutex>
#include <QStringList>

#include <optional>

namespace platform {

// Keeps every line written to it, for tests to inspect.
class CapturingLogBackend : public LogBackend {
public:
    struct Line {
        LogLevel level;
        QString subsystem;
        QString category;
        QString message;
    };

    void write(LogLevel level, const QString& subsystem, const QString& category, const QString& message) override;

    QList<Line> lines() const;
    QStringList messages(std::optional<LogLevel> level = std::nullopt) const;
    void clear();

private:
    mutable QMutex m_mutex;
    QList<Line> m_lines;
};

} // namespace platform
