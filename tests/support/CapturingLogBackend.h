#pragma once

#include "logging/LogBackend.h"

#include <QList>
#include <QMutex>
#include <QStringList>

#include <optional>

// Keeps every line written to it, for tests to inspect.
class CapturingLogBackend : public logging::LogBackend {
public:
    struct Line {
        logging::LogLevel level;
        QString subsystem;
        QString category;
        QString message;
    };

    void write(logging::LogLevel level, const QString& subsystem, const QString& category, const QString& message) override;

    QList<Line> lines() const;
    QStringList messages(std::optional<logging::LogLevel> level = std::nullopt) const;
    void clear();

private:
    mutable QMutex m_mutex;
    QList<Line> m_lines;
};
