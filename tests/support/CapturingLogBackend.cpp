#include "CapturingLogBackend.h"

void CapturingLogBackend::write(logging::LogLevel level, const QString& subsystem, const QString& category,
                                const QString& message)
{
    const QMutexLocker locker(&m_mutex);
    m_lines.append({level, subsystem, category, message});
}

QList<CapturingLogBackend::Line> CapturingLogBackend::lines() const
{
    const QMutexLocker locker(&m_mutex);
    return m_lines;
}

QStringList CapturingLogBackend::messages(std::optional<logging::LogLevel> level) const
{
    const QMutexLocker locker(&m_mutex);
    QStringList messages;
    for (const Line& line : m_lines) {
        if (!level || line.level == *level)
            messages.append(line.message);
    }
    return messages;
}

void CapturingLogBackend::clear()
{
    const QMutexLocker locker(&m_mutex);
    m_lines.clear();
}
