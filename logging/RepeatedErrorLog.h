#pragma once

#include <QString>

// An error that can come back at every switch (a notification server that
// never answers) is logged once; its repeats are counted and summed up in
// one line at 10, 100, 1000... repeats and when a success or another error
// ends the series. One thread only.
class RepeatedErrorLog {
public:
    void failed(const QString& message);
    void succeeded();

private:
    void endSeries();

    QString m_message;
    qint64 m_repeats = 0;
    qint64 m_reportedRepeats = 0;
};
