#include "Samples.h"

#include <algorithm>
#include <cmath>

double Samples::percentile(double p) const
{
    if (m_values.isEmpty())
        return 0;
    QList<double> sorted = m_values;
    std::sort(sorted.begin(), sorted.end());
    // Nearest rank.
    const auto rank = qsizetype(std::ceil(p / 100.0 * double(sorted.size())));
    return sorted.at(std::clamp<qsizetype>(rank - 1, 0, sorted.size() - 1));
}

QString Samples::summary() const
{
    if (m_values.isEmpty())
        return QStringLiteral("no samples (n = 0)");
    return QStringLiteral("p50 %1 %5, p90 %2 %5, p99 %3 %5, max %4 %5 (n = %6)")
        .arg(percentile(50), 0, 'f', 3)
        .arg(percentile(90), 0, 'f', 3)
        .arg(percentile(99), 0, 'f', 3)
        .arg(max(), 0, 'f', 3)
        .arg(m_unit)
        .arg(m_values.size());
}

QJsonObject Samples::toJson() const
{
    // Without samples there are no percentiles, not percentiles of zero.
    if (m_values.isEmpty())
        return {{QStringLiteral("unit"), m_unit}, {QStringLiteral("count"), 0}};
    return {{QStringLiteral("unit"), m_unit},
            {QStringLiteral("count"), double(m_values.size())},
            {QStringLiteral("p50"), percentile(50)},
            {QStringLiteral("p90"), percentile(90)},
            {QStringLiteral("p99"), percentile(99)},
            {QStringLiteral("max"), max()}};
}
