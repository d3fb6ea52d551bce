#pragma once

#include "logging/LogBackend.h"
#include "logging/Logger.h"

#include <QList>
#include <QMutex>
#include <QStringList>

#include <memory>
#include <optional>

// Sends every log line of the process (the program's, the platform layer's,
// Qt's) through the program's own message handler into memory while it
// lives, then gives the previous handler (QtTest's) back.
class LogCapture {
public:
    struct Line {
        logging::LogLevel level;
        QString subsystem;
        QString category;
        QString message;
    };

    LogCapture() : m_previous(Logger::installMessageHandler(m_backend)) {}
    ~LogCapture() { qInstallMessageHandler(m_previous); }
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    QList<Line> lines() const
    {
        const QMutexLocker locker(&m_backend->mutex);
        return m_backend->lines;
    }
    QStringList messages(std::optional<logging::LogLevel> level = std::nullopt) const
    {
        QStringList messages;
        for (const Line& line : lines()) {
            if (!level || line.level == *level)
                messages << line.message;
        }
        return messages;
    }
    QStringList infos() const { return messages(logging::LogLevel::Info); }
    QStringList errors() const { return messages(logging::LogLevel::Error); }

private:
    struct Backend : logging::LogBackend {
        QMutex mutex;
        QList<Line> lines;
        void write(logging::LogLevel level, const QString& subsystem, const QString& category,
                   const QString& message) override
        {
            const QMutexLocker locker(&mutex);
            lines.append({level, subsystem, category, message});
        }
    };

    std::shared_ptr<Backend> m_backend = std::make_shared<Backend>();
    QtMessageHandler m_previous;
};
