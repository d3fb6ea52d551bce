#pragma once

#include <QJsonObject>
#include <QList>
#include <QString>

// Measurements of one figure, summarised as percentiles.
class Samples {
public:
    explicit Samples(QString unit)
        : m_unit(std::move(unit))
    {
    }

    void add(double value) { m_values.append(value); }
    qsizetype count() const { return m_values.size(); }

    double percentile(double p) const;
    double max() const { return percentile(100); }

    // "p50 1.23 ms, p90 ..., p99 ..., max ... (n = 2000)"
    QString summary() const;
    QJsonObject toJson() const;

private:
    QString m_unit;
    QList<double> m_values;
};
