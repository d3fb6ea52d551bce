#include "logging/RepeatedErrorLog.h"

#include "logging/Logger.h"

namespace {

// 10, 100, 1000...
bool isSummaryPoint(qint64 n)
{
    if (n < 10)
        return false;
    while (n % 10 == 0)
        n /= 10;
    return n == 1;
}

} // namespace

void RepeatedErrorLog::failed(const QString& message)
{
    if (!m_message.isNull() && message == m_message) {
        ++m_repeats;
        if (isSummaryPoint(m_repeats)) {
            Logger::shared().error(QStringLiteral("%1 (%2 more times since the first)").arg(message).arg(m_repeats));
            m_reportedRepeats = m_repeats;
        }
        return;
    }
    endSeries();
    m_message = message;
    Logger::shared().error(message);
}

void RepeatedErrorLog::succeeded()
{
    endSeries();
}

void RepeatedErrorLog::endSeries()
{
    if (m_repeats > m_reportedRepeats)
        Logger::shared().error(QStringLiteral("%1 (%2 more times in all)").arg(m_message).arg(m_repeats));
    m_message = QString();
    m_repeats = 0;
    m_reportedRepeats = 0;
}
